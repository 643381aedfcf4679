#include "minicad/application.h"

#include <cmath>

#include "minicad/automation_objects.h"
#include "minicad/entity_geometry.h"
#include "minicad/lisp.h"

namespace tarsel::minicad {

using cadlink::AutomationError;
using cadlink::InvokeKind;
using cadlink::Variant;
namespace hresult = cadlink::hresult;

// --- shared state and call checks --------------------------------------------------------

Application::State::State() : commandLine(document, [this]() -> UserInput& { return User(); }) {
    RegisterBuiltinCommands(commandLine);
    commandLine.SetLispEvaluator(MakeLispEvaluator(document));
}

void Call::Fail(std::int32_t code, std::string text) const {
    throw AutomationError(std::string(member), code, std::move(text));
}

void Call::Get() const {
    if (IsPut()) Fail(kMemberNotFound, "the member cannot be assigned");
    if (!args.empty()) Fail(hresult::kBadParamCount, "the member takes no arguments");
}

void Call::ReadOnly() const {
    if (IsPut()) Fail(kMemberNotFound, "the property is read-only");
    Get();
}

const Variant& Call::PutValue() const {
    if (args.size() != 1) Fail(hresult::kBadParamCount, "a property takes one value");
    return args[0];
}

void Call::Method(std::size_t min, std::size_t max) const {
    if (IsPut()) Fail(kMemberNotFound, "a method cannot be assigned");
    if (args.size() < min || args.size() > max)
        Fail(hresult::kBadParamCount, "wrong number of arguments");
}

const Variant& Call::Arg(std::size_t i) const {
    static const Variant kEmpty;
    return i < args.size() ? args[i] : kEmpty;
}

bool Call::HasArg(std::size_t i) const {
    return i < args.size() && !args[i].IsEmpty();
}

Point3 Call::PointOf(const Variant& v) const {
    if (!v.IsArray()) Fail(hresult::kTypeMismatch, "a point is an array of three numbers");
    const cadlink::Array& a = v.AsArray();
    if (a.items.size() != 3 || a.kind == cadlink::ArrayKind::Int16)
        Fail(hresult::kTypeMismatch, "a point is an array of three numbers");
    double c[3];
    for (std::size_t i = 0; i < 3; ++i) {
        if (!a.items[i].IsNumber() || a.items[i].type() == Variant::Type::Bool)
            Fail(hresult::kTypeMismatch, "a point is an array of three numbers");
        c[i] = a.items[i].AsDouble();
        if (!std::isfinite(c[i])) Fail(hresult::kInvalidArg, "a point coordinate is not finite");
    }
    return {c[0], c[1], c[2]};
}

double Call::NumberOf(const Variant& v) const {
    if (v.IsArray() || v.IsObject() || v.IsEmpty())
        Fail(hresult::kTypeMismatch, "a number is required");
    const double d = v.AsDouble();
    if (!std::isfinite(d)) Fail(hresult::kInvalidArg, "the number is not finite");
    return d;
}

std::int32_t Call::IntArg(std::size_t i) const {
    const Variant& v = Arg(i);
    if (v.IsArray() || v.IsObject() || v.IsEmpty())
        Fail(hresult::kTypeMismatch, "an integer is required");
    return v.AsInt();
}

std::string Call::TextArg(std::size_t i) const {
    const Variant& v = Arg(i);
    if (v.IsArray() || v.IsObject()) Fail(hresult::kTypeMismatch, "a text is required");
    return v.AsText();
}

EntityFilter Call::FilterArgs(std::size_t typeIndex, std::size_t dataIndex) const {
    const Variant& types = Arg(typeIndex);
    const Variant& data = Arg(dataIndex);
    EntityFilter filter;
    const bool noTypes = types.IsEmpty() || (types.IsArray() && types.AsArray().items.empty());
    const bool noData = data.IsEmpty() || (data.IsArray() && data.AsArray().items.empty());
    if (noTypes && noData) return filter;
    if (noTypes != noData)
        Fail(hresult::kInvalidArg, "filter type and filter data must go together");
    if (!types.IsArray() || !data.IsArray())
        Fail(hresult::kTypeMismatch, "filters are arrays of group codes and values");
    const cadlink::Array& t = types.AsArray();
    const cadlink::Array& d = data.AsArray();
    if (t.items.size() != d.items.size())
        Fail(hresult::kInvalidArg, "filter type and filter data differ in length");
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        const Variant& code = t.items[i];
        if (!code.IsNumber() || code.type() == Variant::Type::Double)
            Fail(hresult::kTypeMismatch, "a filter group code is an integer");
        const auto c = static_cast<std::int16_t>(code.AsInt());
        if (!EntityFilter::IsSupportedCode(c))
            Fail(hresult::kInvalidArg, "unsupported filter group code " + std::to_string(c));
        if (!d.items[i].IsText()) Fail(hresult::kTypeMismatch, "a filter value here is a text");
        filter.conditions.push_back({c, d.items[i].AsText()});
    }
    return filter;
}

Variant MinicadObject::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
    Call call{member, text::UpperAscii(member), kind, args};
    ++state_->callCounts[call.name];
    auto& failures = state_->failures;
    auto firing = failures.end();
    for (auto it = failures.begin(); it != failures.end(); ++it) {
        if (it->member == call.name && --it->remaining <= 0 && firing == failures.end())
            firing = it;
    }
    if (firing != failures.end()) {
        const auto code = firing->code;
        std::string text = std::move(firing->text);
        failures.erase(firing);
        call.Fail(code, std::move(text));
    }
    try {
        return Dispatch(call);
    } catch (const AutomationError& e) {
        // Conversions inside Variant raise without knowing the member; name it here.
        if (!e.member().empty()) throw;
        call.Fail(e.code(), e.text());
    }
}

void MinicadObject::Unknown(const Call& call) {
    call.Fail(hresult::kUnknownName, "unknown member " + std::string(call.member));
}

void FailCancelled(const Call& call) {
    call.Fail(hresult::kException, std::string(kCancelText));
}

Point3 AskPoint(Application::State& state, const Call& call, std::string_view prompt) {
    // A few invalid typed answers are asked again, as at the command line; then give up.
    for (int tries = 0; tries < 100; ++tries) {
        const Answer a = state.User().Ask(PromptKind::Point, prompt);
        switch (a.kind) {
            case Answer::Kind::Point:
            case Answer::Kind::Pick:
                state.document.Log(std::string(prompt) + FormatPoint(a.p1));
                state.document.SetLastPoint(a.p1);
                return a.p1;
            case Answer::Kind::Text:
                if (auto p = ParsePointText(a.text)) {
                    state.document.Log(std::string(prompt) + a.text);
                    state.document.SetLastPoint(*p);
                    return *p;
                }
                state.document.Log(std::string(prompt) + a.text);
                state.document.Log("Invalid point.");
                continue;
            default: state.document.Log(std::string(prompt) + "*Cancel*"); FailCancelled(call);
        }
    }
    FailCancelled(call);
}

// --- objects -----------------------------------------------------------------------------
namespace {

class StateObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        if (c.Is("ISQUIESCENT")) {
            c.ReadOnly();
            ++state_->quiescentPolls;
            if (state_->busyPolls > 0) {
                --state_->busyPolls;
                return Variant(false);
            }
            return Variant(true);
        }
        Unknown(c);
    }
};

class ApplicationObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        if (c.Is("HWND")) {
            c.ReadOnly();
            return Variant(state_->hwnd);
        }
        if (c.Is("ACTIVEDOCUMENT")) {
            c.ReadOnly();
            return Variant(MakeDocumentObject(state_));
        }
        if (c.Is("GETACADSTATE") || c.Is("GETGCADSTATE") || c.Is("GETZCADSTATE")) {
            c.Method(0, 0);
            return Variant(MakeStateObject(state_));
        }
        if (c.Is("NAME")) {
            c.ReadOnly();
            return Variant("minicad");
        }
        if (c.Is("VERSION")) {
            c.ReadOnly();
            return Variant("1.0");
        }
        if (c.Is("VISIBLE")) {
            if (c.IsPut()) {
                (void)c.PutValue();
                return {};
            }
            c.Get();
            return Variant(true);
        }
        Unknown(c);
    }
};

class UtilityObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        if (c.Is("GETPOINT")) {
            c.Method(0, 2);
            if (c.HasArg(0)) (void)c.PointArg(0);  // the base point only draws a rubber band
            const std::string prompt = c.HasArg(1) ? c.TextArg(1) : std::string();
            return PointVariant(AskPoint(*state_, c, prompt));
        }
        if (c.Is("GETENTITY")) {
            c.Method(2, 3);
            const std::string prompt = c.HasArg(2) ? c.TextArg(2) : std::string("Select object: ");
            const Answer a = state_->User().Ask(PromptKind::Entity, prompt);
            if (a.kind != Answer::Kind::Point && a.kind != Answer::Kind::Pick) {
                state_->document.Log(prompt + "*Cancel*");
                FailCancelled(c);
            }
            state_->document.Log(prompt + FormatPoint(a.p1));
            const std::optional<std::int64_t> id = FindEntityAt(state_->document, a.p1);
            if (!id) c.Fail(cadlink::hresult::kFail, "no entity at the picked point");
            c.args[0] = Variant(MakeEntityObject(state_, *id));
            c.args[1] = PointVariant(a.p1);
            return {};
        }
        if (c.Is("PROMPT")) {
            c.Method(1, 1);
            state_->document.Log(c.TextArg(0));
            return {};
        }
        Unknown(c);
    }
};

class DocumentObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        if (c.Is("UTILITY")) {
            c.ReadOnly();
            return Variant(MakeUtilityObject(state_));
        }
        if (c.Is("MODELSPACE")) {
            c.ReadOnly();
            return Variant(MakeContainerObject(state_, std::nullopt));
        }
        if (c.Is("LAYERS")) {
            c.ReadOnly();
            return Variant(MakeLayersObject(state_));
        }
        if (c.Is("BLOCKS")) {
            c.ReadOnly();
            return Variant(MakeBlocksObject(state_));
        }
        if (c.Is("SELECTIONSETS")) {
            c.ReadOnly();
            return Variant(MakeSelectionSetsObject(state_));
        }
        if (c.Is("APPLICATION")) {
            c.ReadOnly();
            return Variant(MakeApplicationObject(state_));
        }
        if (c.Is("NAME")) {
            c.ReadOnly();
            if (state_->path.empty()) return Variant("Drawing1.dwg");
            const std::u8string name = state_->path.filename().u8string();
            return Variant(std::string(name.begin(), name.end()));
        }
        if (c.Is("GETVARIABLE")) {
            c.Method(1, 1);
            const std::string name = c.TextArg(0);
            std::optional<Variant> value = doc.GetVariable(name);
            if (!value) c.Fail(cadlink::hresult::kInvalidArg, "unknown system variable " + name);
            return *value;
        }
        if (c.Is("SETVARIABLE")) {
            c.Method(2, 2);
            const std::string name = c.TextArg(0);
            const VariableError err = doc.SetVariable(name, c.Arg(1));
            if (err == VariableError::TypeMismatch)
                c.Fail(cadlink::hresult::kTypeMismatch,
                       std::string(Document::VariableErrorText(err)) + ": " + name);
            if (err != VariableError::None)
                c.Fail(cadlink::hresult::kInvalidArg,
                       std::string(Document::VariableErrorText(err)) + ": " + name);
            return {};
        }
        if (c.Is("SENDCOMMAND")) {
            c.Method(1, 1);
            state_->commandLine.Send(c.TextArg(0));
            return {};
        }
        if (c.Is("REGEN")) {
            c.Method(0, 1);
            if (c.HasArg(0)) (void)c.IntArg(0);
            return {};
        }
        if (c.Is("OBJECTIDTOOBJECT")) {
            c.Method(1, 1);
            const Variant& v = c.Arg(0);
            if (v.IsArray() || v.IsObject() || v.IsEmpty())
                c.Fail(cadlink::hresult::kTypeMismatch, "an object id is a 64-bit integer");
            const std::int64_t id = v.AsInt64();
            if (!doc.FindEntity(id))
                c.Fail(cadlink::hresult::kFail, "no object with ObjectID " + std::to_string(id));
            return Variant(MakeEntityObject(state_, id));
        }
        Unknown(c);
    }
};

}  // namespace

cadlink::ObjectRef MakeApplicationObject(StatePtr state) {
    if (auto existing = state->applicationObject.lock()) return existing;
    auto obj = std::make_shared<ApplicationObject>(state);
    state->applicationObject = obj;
    return obj;
}
cadlink::ObjectRef MakeDocumentObject(StatePtr state) {
    return std::make_shared<DocumentObject>(std::move(state));
}
cadlink::ObjectRef MakeUtilityObject(StatePtr state) {
    return std::make_shared<UtilityObject>(std::move(state));
}
cadlink::ObjectRef MakeStateObject(StatePtr state) {
    return std::make_shared<StateObject>(std::move(state));
}

// --- Application ---------------------------------------------------------------------------

std::shared_ptr<Application> Application::Create() {
    return std::make_shared<Application>();
}

Application::Application() : state_(std::make_shared<State>()) {}

Application::~Application() = default;

cadlink::ObjectRef Application::Object() {
    return MakeApplicationObject(state_);
}

Document& Application::document() {
    return state_->document;
}

CommandLine& Application::commandLine() {
    return state_->commandLine;
}

void Application::SetUserInput(std::shared_ptr<UserInput> input) {
    state_->input = std::move(input);
}

UserInput& Application::userInput() {
    return state_->User();
}

void Application::FailCall(std::string_view member, int nth, std::int32_t hresult,
                           std::string text) {
    state_->failures.push_back(
        {text::UpperAscii(member), nth < 1 ? 1 : nth, hresult, std::move(text)});
}

void Application::SetBusyPolls(int polls) {
    state_->busyPolls = polls < 0 ? 0 : polls;
}

int Application::CallCount(std::string_view member) const {
    auto it = state_->callCounts.find(text::UpperAscii(member));
    return it == state_->callCounts.end() ? 0 : it->second;
}

int Application::QuiescentPolls() const {
    return state_->quiescentPolls;
}

std::int64_t Application::Hwnd() const {
    return state_->hwnd;
}

}  // namespace tarsel::minicad
