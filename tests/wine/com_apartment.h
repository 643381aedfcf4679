// Test support: COM on the test thread, and a second single-threaded apartment that
// publishes objects, so every call from the test thread goes through a real proxy and stub.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cadlink/automation.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com::testing {

// A thread in its own STA that pumps messages until destroyed.
class ServerApartment {
public:
    ServerApartment();
    ~ServerApartment();
    ServerApartment(const ServerApartment&) = delete;
    ServerApartment& operator=(const ServerApartment&) = delete;

    // Runs work on the apartment's thread and waits for it.
    void Run(std::function<void()> work);

    // Publishes object on the apartment's thread; the proxy the caller's apartment gets.
    [[nodiscard]] ComPtr<IDispatch> Publish(ObjectRef object);

private:
    void Loop();

    std::thread thread_;
    DWORD threadId_ = 0;
    platform::UniqueHandle ready_;
};

// Members: Echo(x) → x; Describe(x) → Describe(x) as seen by the server; Args(...) → the
// arguments joined by ","; Child → the same child object every time; IsChild(o) → whether
// o is that child; Fail → raises; Value (get and put); Cancel/GetEntity as a CAD prompt;
// anything else raises DISP_E_UNKNOWNNAME.
class TestObject final : public Object {
public:
    Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

    Variant value;
    std::vector<std::string> calls;  // member names in call order (put as "=Name")

private:
    ObjectRef child_;
};

}  // namespace tarsel::cadlink::com::testing
