// tarsel-com-run: a palette job run over real COM against a running CAD, the way `tarsel run`
// runs it against minicad in process. The CAD must be minicad-server.exe, which takes the
// job's answers and variables through its Tarsel* members.
//
//   tarsel-com-run [--progid ID] JOB
//
// Prints what `tarsel run` prints (message boxes, warnings, the next number); exit code 0,
// 1 when a step cannot run or no CAD runs under the ProgID, 2 for a bad command line or job.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cadlink/com/com_connection.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/com_text.h"
#include "cadlink/com/message_filter.h"
#include "cadlink/com/windows_headers.h"
#include "commands/cad_session.h"
#include "job/job_file.h"
#include "palette/controller_job_target.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"
#include "platform/win32/executable_folder.h"

namespace {

namespace cadlink = tarsel::cadlink;
namespace com = tarsel::cadlink::com;
namespace job = tarsel::job;
namespace palette = tarsel::palette;
namespace job = tarsel::job;

constexpr const char* kUsage = "usage: tarsel-com-run [--progid ID] JOB\n";

// The CAD side of the job: answers and variables go to the server through its members.
class ServerJobCad final : public job::JobCad {
public:
    ServerJobCad(cadlink::CadConnection& connection, std::string progId)
        : connection_(connection), progId_(std::move(progId)) {}

    std::string SetSysvar(std::string_view name, std::string_view value) override {
        const std::string error = cadlink::Call(Application(), "TarselSetSysvar",
                                                {cadlink::Variant(name), cadlink::Variant(value)})
                                      .AsText();
        if (error.empty()) return {};
        return "sysvar " + std::string(name) + " " + std::string(value) + ": " + error;
    }
    void QueueAnswers(std::span<const job::JobAnswer> answers) override {
        std::vector<cadlink::Variant> lines;
        for (const job::JobAnswer& answer : answers) lines.emplace_back(AnswerLine(answer));
        (void)cadlink::Call(Application(), "TarselQueueAnswers",
                            {cadlink::Variant::VariantArray(std::move(lines))});
    }
    [[nodiscard]] std::size_t UnusedAnswers() const override {
        return static_cast<std::size_t>(cadlink::Get(Application(), "TarselUnusedAnswers").AsInt());
    }

private:
    cadlink::ObjectRef Application() const { return connection_.GetRunningApplication(progId_); }

    // Back to the answer syntax (a point keeps its z; picks and windows are plan points);
    // numbers printed round-trip exact.
    static std::string AnswerLine(const job::JobAnswer& answer) {
        const auto format = [](const job::JobPoint& p, bool withZ) {
            char text[80];
            if (withZ) {
                std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g", p.x, p.y, p.z);
            } else {
                std::snprintf(text, sizeof text, "%.17g,%.17g", p.x, p.y);
            }
            return std::string(text);
        };
        using Kind = job::JobAnswer::Kind;
        switch (answer.kind) {
            case Kind::Point: return "point " + format(answer.p1, true);
            case Kind::Pick: return "pick " + format(answer.p1, false);
            case Kind::SelectWindow:
                return "select " + format(answer.p1, false) + " " + format(answer.p2, false);
            case Kind::SelectAll: return "select all";
            case Kind::Cancel: break;
        }
        return "cancel";
    }

    cadlink::CadConnection& connection_;
    std::string progId_;
};

int Run(const std::string& progId, const std::filesystem::path& jobPath) {
    const job::Job job = job::ParseJobFile(jobPath);
    com::ComCadConnection connection;
    if (!connection.IsCadRunning(progId)) {
        std::cerr << "tarsel-com-run: no CAD is running under " << progId << "\n";
        return 1;
    }
    // As the palette does for its whole life: a busy CAD is called again, every second.
    const auto filter = com::TMessageFilter::Create();
    filter->RegisterFilter();

    tarsel::platform::RecordingDesktop desktop;
    palette::PaletteController controller(connection, desktop,
                                          tarsel::platform::ExecutableFolder());
    controller.session().TargetProgID = progId;
    palette::ControllerJobTarget target(controller, desktop);
    ServerJobCad cad(connection, progId);
    const int result = job::RunJob(job, target, cad, std::cout, std::cerr);
    filter->RevokeFilter();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::string progId = tarsel::commands::kDefaultTargetProgID;
    std::filesystem::path job;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--progid" && i + 1 < argc) {
            progId = com::WideToUtf8(argv[++i]);
        } else if (!arg.empty() && arg[0] != L'-' && job.empty()) {
            job = arg;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (job.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    std::optional<com::ComApartment> apartment;
    try {
        apartment.emplace();
    } catch (const std::exception&) {
        std::cerr << "tarsel-com-run: COM is not available\n";
        return 1;
    }
    try {
        return Run(progId, job);
    } catch (const job::JobError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tarsel-com-run: " << e.what() << "\n";
        return 1;
    }
}
