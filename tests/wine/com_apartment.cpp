#include "com_apartment.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "cadlink/com/com_text.h"
#include "cadlink/com/dispatch_server.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com::testing {
namespace {

constexpr UINT kRunWork = WM_APP + 1;

}  // namespace

ServerApartment::ServerApartment()
    : ready_(platform::UniqueHandle::Adopt(CreateEventW(nullptr, FALSE, FALSE, nullptr))) {
    thread_ = std::thread([this] { Loop(); });
    WaitForSingleObject(ready_.get(), INFINITE);
}

ServerApartment::~ServerApartment() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

void ServerApartment::Loop() {
    const ComApartment apartment;
    MSG msg;
    // Creates the thread's message queue before anyone posts to it.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    threadId_ = GetCurrentThreadId();
    SetEvent(ready_.get());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kRunWork) {
            auto* work = reinterpret_cast<std::function<void()>*>(msg.lParam);
            (*work)();
            SetEvent(ready_.get());
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ServerApartment::Run(std::function<void()> work) {
    PostThreadMessageW(threadId_, kRunWork, 0, reinterpret_cast<LPARAM>(&work));
    WaitForSingleObject(ready_.get(), INFINITE);
}

ComPtr<IDispatch> ServerApartment::Publish(ObjectRef object) {
    IStream* stream = nullptr;
    Run([&] {
        ComPtr<IDispatch> published = DispatchServer::Publish(std::move(object));
        if (FAILED(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, published.get(), &stream)))
            stream = nullptr;
    });
    ComPtr<IDispatch> proxy;
    if (!stream || FAILED(CoGetInterfaceAndReleaseStream(stream, IID_IDispatch, proxy.put_void())))
        throw std::runtime_error("cannot marshal the test object");
    return proxy;
}

Variant TestObject::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
    calls.push_back((kind == InvokeKind::Put ? "=" : "") + std::string(member));
    if (SameMember(member, "Value")) {
        if (kind == InvokeKind::Put) {
            value = args.back();
            return {};
        }
        return value;
    }
    if (SameMember(member, "Echo") && args.size() == 1) return args[0];
    if (SameMember(member, "Describe") && args.size() == 1) return Variant(Describe(args[0]));
    if (SameMember(member, "Args")) {
        std::string joined;
        for (const Variant& a : args) joined += (joined.empty() ? "" : ",") + a.AsText();
        return Variant(joined);
    }
    if (SameMember(member, "Child")) {
        if (!child_) child_ = std::make_shared<TestObject>();
        return Variant(child_);
    }
    if (SameMember(member, "IsChild") && args.size() == 1) {
        return Variant(args[0].IsObject() && child_ && args[0].AsObject() == child_);
    }
    if (SameMember(member, "Fail")) {
        throw AutomationError(std::string(member), hresult::kInvalidArg, "値が正しくありません");
    }
    if (SameMember(member, "GetEntity") && args.size() == 3) {
        if (args[2].AsText() == "cancel") {
            throw AutomationError(std::string(member), hresult::kException, "*Cancel*");
        }
        if (!child_) child_ = std::make_shared<TestObject>();
        args[0] = Variant(child_);
        args[1] = Variant::DoubleArray({1.5, -2.25, 0});
        return {};
    }
    throw AutomationError(std::string(member), hresult::kUnknownName, "unknown member");
}

}  // namespace tarsel::cadlink::com::testing
