// minicad's automation objects behind the by-name interface: the state they share, the
// base that counts calls and injects faults, argument checks that raise what a COM server
// raises, and the factories of every object kind. Internal to minicad.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/automation.h"
#include "minicad/application.h"
#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/selection.h"
#include "minicad/user_input.h"

namespace tarsel::minicad {

struct Application::State {
    State();

    Document document;
    std::shared_ptr<UserInput> input;
    NoUserInput nobody;
    CommandLine commandLine;
    std::filesystem::path path;  // the drawing's file, empty for a new drawing

    struct ArmedFailure {
        std::string member;  // upper-cased
        int remaining = 0;   // calls until it fires (1 = the next one)
        std::int32_t code = 0;
        std::string text;
    };
    std::vector<ArmedFailure> failures;
    std::map<std::string, int, std::less<>> callCounts;
    int busyPolls = 0;
    int quiescentPolls = 0;
    std::int64_t hwnd = 0x000A07C2;
    std::weak_ptr<cadlink::Object> applicationObject;

    UserInput& User() { return input ? *input : nobody; }
};

using StatePtr = std::shared_ptr<Application::State>;

// One call as an object sees it, with the checks every member needs.
struct Call {
    std::string_view member;  // as the caller spelled it
    std::string name;         // upper-cased
    cadlink::InvokeKind kind;
    std::span<cadlink::Variant> args;

    [[nodiscard]] bool Is(std::string_view upperName) const { return name == upperName; }
    [[nodiscard]] bool IsPut() const { return kind == cadlink::InvokeKind::Put; }
    [[noreturn]] void Fail(std::int32_t code, std::string text) const;

    // A property read: no arguments.
    void Get() const;
    // A read-only property: a put fails as a COM server's does.
    void ReadOnly() const;
    // The value of a property put.
    [[nodiscard]] const cadlink::Variant& PutValue() const;
    // A method taking between min and max arguments.
    void Method(std::size_t min, std::size_t max) const;

    [[nodiscard]] const cadlink::Variant& Arg(std::size_t i) const;
    [[nodiscard]] bool HasArg(std::size_t i) const;  // present and not Empty
    [[nodiscard]] Point3 PointOf(const cadlink::Variant& v) const;
    [[nodiscard]] Point3 PointArg(std::size_t i) const { return PointOf(Arg(i)); }
    [[nodiscard]] double NumberOf(const cadlink::Variant& v) const;
    [[nodiscard]] double NumberArg(std::size_t i) const { return NumberOf(Arg(i)); }
    [[nodiscard]] std::int32_t IntArg(std::size_t i) const;
    [[nodiscard]] std::string TextArg(std::size_t i) const;
    // A filter from a filter-type and a filter-data argument (both omitted: no filter).
    [[nodiscard]] EntityFilter FilterArgs(std::size_t typeIndex, std::size_t dataIndex) const;
};

// Every minicad object: counts the call, fires an armed failure, then dispatches. A type
// error raised by a conversion is reported under the member's name.
class MinicadObject : public cadlink::Object {
public:
    explicit MinicadObject(StatePtr state) : state_(std::move(state)) {}
    cadlink::Variant Invoke(std::string_view member, cadlink::InvokeKind kind,
                            std::span<cadlink::Variant> args) final;

protected:
    virtual cadlink::Variant Dispatch(const Call& call) = 0;
    [[noreturn]] static void Unknown(const Call& call);

    StatePtr state_;
};

// Fails the call with the cancel text when the user pressed Escape.
[[noreturn]] void FailCancelled(const Call& call);
// A prompt answered by the user for a point (GetPoint): the answer's point, or cancel.
Point3 AskPoint(Application::State& state, const Call& call, std::string_view prompt);

cadlink::ObjectRef MakeApplicationObject(StatePtr state);
cadlink::ObjectRef MakeDocumentObject(StatePtr state);
cadlink::ObjectRef MakeUtilityObject(StatePtr state);
cadlink::ObjectRef MakeStateObject(StatePtr state);
cadlink::ObjectRef MakeLayersObject(StatePtr state);
cadlink::ObjectRef MakeBlocksObject(StatePtr state);
cadlink::ObjectRef MakeSelectionSetsObject(StatePtr state);
// Model space when block is nullopt.
cadlink::ObjectRef MakeContainerObject(StatePtr state, std::optional<std::string> block);
cadlink::ObjectRef MakeEntityObject(StatePtr state, std::int64_t id);

}  // namespace tarsel::minicad
