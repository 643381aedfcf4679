// minicad-server: minicad published as a COM automation server, the way a CAD publishes its
// application object, so the palette's real COM code can be run against it end to end.
//
//   minicad-server [--progid ID] [--answers FILE] [--save FILE] [--stop-file FILE]
//                  [--reject-file FILE [--reject-from-prompt N]] [--die-at-prompt N]
//                  [DRAWING.dxf]
//
// The drawing is opened at start and saved at exit (to --save, else back to DRAWING). The
// answers file holds the user's answers to the prompts, one per line, in the job files'
// answer syntax (point X,Y / pick X,Y / select X1,Y1 X2,Y2 / select all / cancel). The
// server runs until a client calls Application.Quit or the stop file appears.
//
// A palette job run against the server (tarsel-com-run) plays the user through three extra
// members of the application, which a real CAD does not have: TarselQueueAnswers(lines)
// replaces the queued answers, TarselUnusedAnswers tells how many are left, and
// TarselSetSysvar(name, text) sets a system variable as a job's sysvar line does. For tests:
// while the reject file exists every incoming call is rejected (SERVERCALL_REJECTED); with
// --reject-from-prompt the server creates that file itself once it has answered the Nth
// prompt, so the calls after it in the same command are rejected; --die-at-prompt ends the
// process abruptly when the Nth prompt is asked, as a crash would.
#include <charconv>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/com/com_implements.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/com_text.h"
#include "cadlink/com/dispatch_server.h"
#include "cadlink/com/running_object.h"
#include "cadlink/com/windows_headers.h"
#include "commands/cad_session.h"
#include "job/job_file.h"
#include "minicad/application.h"

namespace {

using tarsel::cadlink::AutomationError;
using tarsel::cadlink::InvokeKind;
using tarsel::cadlink::ObjectRef;
using tarsel::cadlink::Variant;
namespace com = tarsel::cadlink::com;
namespace minicad = tarsel::minicad;
namespace fs = std::filesystem;

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 100;

struct ServerOptions {
    std::string progId = tarsel::commands::kDefaultTargetProgID;
    fs::path drawing;
    fs::path save;
    fs::path answers;
    fs::path stopFile;
    fs::path rejectFile;
    int rejectFromPrompt = 0;
    int dieAtPrompt = 0;
};

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

int Count(const std::wstring& option, const std::wstring& text) {
    const std::string n = com::WideToUtf8(text);
    int count = 0;
    const auto [end, error] = std::from_chars(n.data(), n.data() + n.size(), count);
    if (error != std::errc() || end != n.data() + n.size() || count < 1) {
        throw UsageError(com::WideToUtf8(option) + " needs a count from 1, not " + n);
    }
    return count;
}

ServerOptions ParseArguments(const std::vector<std::wstring>& args) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= args.size()) throw UsageError(com::WideToUtf8(arg) + " needs a value");
            return args[++i];
        };
        if (arg == L"--progid") {
            options.progId = com::WideToUtf8(value());
        } else if (arg == L"--answers") {
            options.answers = value();
        } else if (arg == L"--save") {
            options.save = value();
        } else if (arg == L"--stop-file") {
            options.stopFile = value();
        } else if (arg == L"--reject-file") {
            options.rejectFile = value();
        } else if (arg == L"--reject-from-prompt") {
            options.rejectFromPrompt = Count(arg, value());
        } else if (arg == L"--die-at-prompt") {
            options.dieAtPrompt = Count(arg, value());
        } else if (!arg.empty() && arg[0] == L'-') {
            throw UsageError("unknown option " + com::WideToUtf8(arg));
        } else if (options.drawing.empty()) {
            options.drawing = arg;
        } else {
            throw UsageError("more than one drawing given");
        }
    }
    if (options.save.empty()) options.save = options.drawing;
    if (options.rejectFromPrompt > 0 && options.rejectFile.empty()) {
        throw UsageError("--reject-from-prompt needs --reject-file");
    }
    return options;
}

minicad::Answer ToAnswer(const tarsel::job::JobAnswer& answer) {
    using Kind = tarsel::job::JobAnswer::Kind;
    const auto& p1 = answer.p1;
    const auto& p2 = answer.p2;
    switch (answer.kind) {
        case Kind::Point: return minicad::Answer::MakePoint(p1.x, p1.y, p1.z);
        case Kind::Pick: return minicad::Answer::MakePick(p1.x, p1.y);
        case Kind::SelectWindow: return minicad::Answer::MakeWindow(p1.x, p1.y, p2.x, p2.y);
        case Kind::SelectAll: return minicad::Answer::MakeAll();
        case Kind::Cancel: break;
    }
    return minicad::Answer::MakeCancel();
}

// Blank lines and "#" comments are skipped; any other line must be one answer.
std::vector<minicad::Answer> ReadAnswers(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::vector<minicad::Answer> answers;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        answers.push_back(ToAnswer(tarsel::job::ParseAnswerLine(line, path.string(), number)));
    }
    return answers;
}

// The user at minicad's prompts: the scripted answers, and the test hooks that act at a
// given prompt (an abrupt end, as a CAD that crashes while it waits for the user; the start
// of rejecting calls, as a CAD that turns busy).
class ServerInput final : public minicad::UserInput {
public:
    ServerInput(std::vector<minicad::Answer> answers, const ServerOptions& options)
        : answers_(std::move(answers)), options_(options) {}

    // Replaces the answers still queued.
    void Queue(std::vector<minicad::Answer> answers) {
        answers_.Clear();
        for (minicad::Answer& answer : answers) answers_.Push(std::move(answer));
    }
    [[nodiscard]] std::size_t Unused() const { return answers_.Unused(); }

    minicad::Answer Ask(minicad::PromptKind kind, std::string_view prompt) override {
        ++asked_;
        if (asked_ == options_.dieAtPrompt) ExitProcess(3);
        minicad::Answer answer = answers_.Ask(kind, prompt);
        if (asked_ == options_.rejectFromPrompt) std::ofstream(options_.rejectFile).put('\n');
        return answer;
    }

private:
    minicad::ScriptedInput answers_;
    const ServerOptions& options_;
    int asked_ = 0;
};

[[noreturn]] void BadArguments(std::string_view member) {
    throw AutomationError(std::string(member), tarsel::cadlink::hresult::kBadParamCount,
                          "wrong number of arguments");
}

// The published application: minicad's own, plus Quit, which ends the server, and the
// members through which a job run over COM plays the user.
class ServerApplication final : public tarsel::cadlink::Object {
public:
    ServerApplication(std::shared_ptr<minicad::Application> application,
                      std::shared_ptr<ServerInput> input, DWORD mainThread)
        : application_(std::move(application)),
          inner_(application_->Object()),
          input_(std::move(input)),
          mainThread_(mainThread) {}

    Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
        if (kind == InvokeKind::MethodOrGet) {
            if (com::SameMember(member, "Quit")) {
                PostThreadMessageW(mainThread_, WM_QUIT, 0, 0);
                return {};
            }
            if (com::SameMember(member, "TarselQueueAnswers")) return QueueAnswers(member, args);
            if (com::SameMember(member, "TarselUnusedAnswers")) {
                return Variant(static_cast<std::int32_t>(input_->Unused()));
            }
            if (com::SameMember(member, "TarselSetSysvar")) return SetSysvar(member, args);
        }
        return inner_->Invoke(member, kind, args);
    }

private:
    // One text per answer, in the job files' answer syntax; a bad line changes nothing.
    Variant QueueAnswers(std::string_view member, std::span<Variant> args) {
        if (args.size() != 1) BadArguments(member);
        std::vector<minicad::Answer> answers;
        int number = 0;
        for (const Variant& line : args[0].AsArray().items) {
            try {
                answers.push_back(
                    ToAnswer(tarsel::job::ParseAnswerLine(line.AsText(), "answers", ++number)));
            } catch (const tarsel::job::JobError& e) {
                throw AutomationError(std::string(member), tarsel::cadlink::hresult::kInvalidArg,
                                      e.what());
            }
        }
        input_->Queue(std::move(answers));
        return {};
    }

    // Empty when set, otherwise why not (as a job's sysvar line reports it).
    Variant SetSysvar(std::string_view member, std::span<Variant> args) {
        if (args.size() != 2) BadArguments(member);
        const std::string name = args[0].AsText();
        minicad::Document& document = application_->document();
        Variant value;
        minicad::VariableError error = document.ParseVariableText(name, args[1].AsText(), value);
        if (error == minicad::VariableError::None) error = document.SetVariable(name, value);
        if (error == minicad::VariableError::None) return Variant("");
        return Variant(std::string(minicad::Document::VariableErrorText(error)));
    }

    std::shared_ptr<minicad::Application> application_;
    ObjectRef inner_;
    std::shared_ptr<ServerInput> input_;
    DWORD mainThread_;
};

// Incoming calls are rejected while the reject file exists; others are handled as usual.
class RejectingFilter final : public com::ComImplements<RejectingFilter, IMessageFilter> {
public:
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                               LPINTERFACEINFO) noexcept override {
        std::error_code error;
        return fs::exists(rejectFile_, error) ? SERVERCALL_REJECTED : SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) noexcept override {
        return static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) noexcept override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    friend ComImplements;
    explicit RejectingFilter(fs::path rejectFile) : rejectFile_(std::move(rejectFile)) {}
    ~RejectingFilter() = default;

    fs::path rejectFile_;
};

int Serve(const ServerOptions& options) {
    const std::shared_ptr<minicad::Application> application = minicad::Application::Create();
    if (!options.drawing.empty() && fs::exists(options.drawing)) application->Open(options.drawing);
    std::vector<minicad::Answer> answers;
    if (!options.answers.empty()) answers = ReadAnswers(options.answers);
    const auto input = std::make_shared<ServerInput>(std::move(answers), options);
    application->SetUserInput(input);

    // COM for this thread, as a CAD's main thread has it.
    com::ComApartment apartment;
    com::ComPtr<RejectingFilter> filter;
    if (!options.rejectFile.empty()) {
        filter = RejectingFilter::Make(options.rejectFile);
        com::ThrowIfFailed(CoRegisterMessageFilter(filter.get(), nullptr),
                           "CoRegisterMessageFilter");
    }

    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
    com::ComPtr<IDispatch> published = com::DispatchServer::Publish(
        std::make_shared<ServerApplication>(application, input, GetCurrentThreadId()));
    {
        com::RunningObjectRegistration registration(published.get(), options.progId);
        std::cout << "minicad-server: running as " << options.progId << std::endl;
        SetTimer(nullptr, kPollTimer, kPollMs, nullptr);
        std::error_code error;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && !options.stopFile.empty() &&
                fs::exists(options.stopFile, error)) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        KillTimer(nullptr, kPollTimer);
    }
    // Clients still holding objects get a disconnected error rather than a hang.
    CoDisconnectObject(published.get(), 0);
    published.reset();
    if (filter) CoRegisterMessageFilter(nullptr, nullptr);

    if (!options.save.empty()) {
        application->Save(options.save);
        std::cout << "minicad-server: saved " << com::WideToUtf8(options.save.wstring())
                  << std::endl;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const std::vector<std::wstring> args(argv + 1, argv + argc);
        return Serve(ParseArguments(args));
    } catch (const UsageError& e) {
        std::cerr << "minicad-server: " << e.what()
                  << "\nusage: minicad-server [--progid ID] [--answers FILE] [--save FILE] "
                     "[--stop-file FILE] [--reject-file FILE [--reject-from-prompt N]] "
                     "[--die-at-prompt N] [DRAWING.dxf]\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "minicad-server: " << e.what() << "\n";
        return 1;
    }
}
