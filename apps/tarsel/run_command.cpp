// tarsel run: a palette session on minicad, written down in a job file. The drawing is opened
// in minicad, minicad answers under the target's ProgID as a running CAD would, the palette
// controller presses the job's buttons with the job's answers at the CAD's prompts, and the
// drawing is saved.
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "cadlink/connection.h"
#include "commands/area_check.h"
#include "commands/cad_session.h"
#include "job/job_file.h"
#include "minicad/application.h"
#include "minicad/dxf.h"
#include "options/palette_options.h"
#include "options/profile_file.h"
#include "options/settings_file.h"
#include "palette/controller_job_target.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"
#include "subcommands.h"
#include "text/paths.h"

namespace tarsel::app {

namespace {

constexpr std::string_view kName = "tarsel run";

constexpr std::string_view kUsage =
    R"(Usage: tarsel run DRAWING.dxf JOB [-o OUT.dxf] [--target PROGID] [--settings FILE.ini]
                 [--dxf-version R12|R2000|R2004|R2007|R2010|R2013|R2018]
                 [--codepage NAME]

Opens DRAWING in the built-in CAD, runs the palette session written in JOB and saves the
drawing to OUT (default: DRAWING's name with "-out" before ".dxf") in the version it was
read in, everything the job did not change as it was read. Every message box is
printed as "message CAPTION: TEXT", every split's area check as "area OUTLINE TRIANGLES"
(the outline's coordinate area and the sum of its triangles, as the command line shows
them), and at the end "next-number N".

JOB has one action per line; "#" at the start of a line or after a blank starts a comment:
  set KEY VALUE        a palette option by its settings key (Kyuuseki, Keta1, ..., B_Hen)
                       or NextNumber; VALUE is the rest of the line
  sysvar NAME VALUE    a CAD system variable, e.g. sysvar ANGBASE 90
  press BUTTON         click a button by control name (Button10) or caption (自動)
  point X,Y[,Z]        answer the next point prompt
  pick X,Y             answer the next entity prompt with the entity under that point
  select X1,Y1 X2,Y2   answer the next selection with a crossing window
  select all           answer the next selection with every entity (filters still apply)
  cancel               answer the next prompt with Escape
The answer lines after a press are that command's answers, in order. A prompt with no answer
left is cancelled; answers left over are reported.

Options:
  -o OUT.dxf        where to save the drawing
  --target PROGID   the ProgID the palette looks for (default BricscadApp.AcadApplication);
                    a ProgID containing "PCAD" makes the labels travel as DXF fragments
  --settings FILE.ini
                    start from the palette's settings file: its options and its target, as
                    the palette loads them when it opens (the file is not changed); a
                    --target given as well wins over the file's ProgId
  --dxf-version V   save in DXF version V instead (AC1009, AC1015, AC1018, AC1021, AC1024,
                    AC1027, AC1032); what V cannot hold is listed on stderr, one line each
  --codepage NAME   the code page of DRAWING's texts, as DXF names it (ANSI_932 Shift-JIS,
                    ANSI_1252 Western, ...), whatever the file says: for files before
                    R2007 (later ones are UTF-8) whose code page is missing or wrong
  -h, --help        show this help

Exit status: 0 the job ran (a command that ends quietly is not an error), 1 a step could not
run (unknown button, option or variable refused) or the drawing could not be saved; nothing
is saved then, 2 bad arguments, a malformed job or a drawing that cannot be read (nothing
runs).
)";

int BadArguments(std::ostream& err, const std::string& message) {
    err << kName << ": " << message << "\nTry '" << kName << " --help'.\n";
    return kExitBadInput;
}

// "lot.dxf" -> "lot-out.dxf"; a name without an extension gets ".dxf".
std::filesystem::path DefaultOutput(const std::filesystem::path& drawing) {
    std::u8string name = drawing.stem().u8string() + u8"-out";
    name += drawing.has_extension() ? drawing.extension().u8string() : std::u8string(u8".dxf");
    return drawing.parent_path() / std::filesystem::path(name);
}

minicad::Answer ToAnswer(const job::JobAnswer& a) {
    using K = job::JobAnswer::Kind;
    switch (a.kind) {
        case K::Point: return minicad::Answer::MakePoint(a.p1.x, a.p1.y, a.p1.z);
        case K::Pick: return minicad::Answer::MakePick(a.p1.x, a.p1.y);
        case K::SelectWindow: return minicad::Answer::MakeWindow(a.p1.x, a.p1.y, a.p2.x, a.p2.y);
        case K::SelectAll: return minicad::Answer::MakeAll();
        case K::Cancel: return minicad::Answer::MakeCancel();
    }
    return minicad::Answer::MakeCancel();
}

// The CAD side of a job: minicad's variables and its scripted user. Between commands it
// prints the area checks the commands wrote to the command line as "area" lines.
class MinicadJobCad final : public job::JobCad {
public:
    MinicadJobCad(minicad::Document& document, minicad::ScriptedInput& input, std::ostream& out)
        : document_(document), input_(input), out_(out), logSeen_(document.CommandLog().size()) {}

    std::string SetSysvar(std::string_view name, std::string_view value) override {
        cadlink::Variant v;
        minicad::VariableError error = document_.ParseVariableText(name, value, v);
        if (error == minicad::VariableError::None) error = document_.SetVariable(name, v);
        if (error == minicad::VariableError::None) return {};
        return "sysvar " + std::string(name) + " " + std::string(value) + ": " +
               std::string(minicad::Document::VariableErrorText(error));
    }
    void QueueAnswers(std::span<const job::JobAnswer> answers) override {
        const std::vector<std::string>& log = document_.CommandLog();
        for (; logSeen_ < log.size(); ++logSeen_) {
            if (auto area = commands::AreaLineFromCommandLine(log[logSeen_])) out_ << *area << '\n';
        }
        input_.Clear();
        for (const job::JobAnswer& a : answers) input_.Push(ToAnswer(a));
    }
    [[nodiscard]] std::size_t UnusedAnswers() const override { return input_.Unused(); }

private:
    minicad::Document& document_;
    minicad::ScriptedInput& input_;
    std::ostream& out_;
    std::size_t logSeen_;
};

// Everything a job can get wrong without the drawing is found before anything runs: options
// through a scratch copy of the palette's option state, variables through a scratch drawing
// (except the current layer and the leader arrow, which depend on the drawing's tables).
std::string CheckJob(const job::Job& job) {
    options::PaletteOptions options;
    minicad::Document scratch;
    for (const job::JobStep& step : job.steps) {
        const std::string where = job.source + ":" + std::to_string(step.line) + ": ";
        if (step.kind == job::JobStep::Kind::Set) {
            if (auto refused = options.SetOption(step.name, step.value)) return where + *refused;
        } else if (step.kind == job::JobStep::Kind::Sysvar) {
            cadlink::Variant v;
            minicad::VariableError error = scratch.ParseVariableText(step.name, step.value, v);
            const std::string upper = minicad::UpperName(step.name);
            if (error == minicad::VariableError::None && upper != "CLAYER" && upper != "DIMLDRBLK")
                error = scratch.SetVariable(step.name, v);
            if (error != minicad::VariableError::None) {
                return where + "sysvar " + step.name + " " + step.value + ": " +
                       std::string(minicad::Document::VariableErrorText(error));
            }
        }
    }
    return {};
}

// A folder of its own for the DXF fragments the labels may travel in, removed afterwards.
class FragmentFolder {
public:
    FragmentFolder() {
        std::random_device random;
        const auto tag = std::to_string(random()) + std::to_string(random());
        std::error_code ec;
        path_ = std::filesystem::temp_directory_path(ec) / ("tarsel-run-" + tag);
        std::filesystem::create_directories(path_, ec);
    }
    ~FragmentFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    FragmentFolder(const FragmentFolder&) = delete;
    FragmentFolder& operator=(const FragmentFolder&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

int RunRun(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    std::string drawingFile, jobFile, outFile, settingsFile, versionName;
    std::string target;
    minicad::DxfReadOptions readOptions;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out << kUsage;
            return kExitOk;
        }
        if (arg == "-o" || arg == "--target" || arg == "--settings" || arg == "--dxf-version") {
            if (i + 1 == args.size() || args[i + 1].empty())
                return BadArguments(err, arg + " needs a value");
            (arg == "-o"           ? outFile
             : arg == "--target"   ? target
             : arg == "--settings" ? settingsFile
                                   : versionName) = args[++i];
        } else if (arg == "--codepage") {
            if (i + 1 == args.size()) return BadArguments(err, arg + " needs a value");
            readOptions.codePage = minicad::DxfCodePage(args[++i]);
            if (readOptions.codePage == 0)
                return BadArguments(err, "unknown code page '" + args[i] + "'");
        } else if (arg.starts_with("-") && arg != "-") {
            return BadArguments(err, "unknown option '" + arg + "'");
        } else if (drawingFile.empty()) {
            drawingFile = arg;
        } else if (jobFile.empty()) {
            jobFile = arg;
        } else {
            return BadArguments(err, "one drawing and one job, not also '" + arg + "'");
        }
    }
    if (drawingFile.empty() || jobFile.empty())
        return BadArguments(err, "a drawing and a job are needed");
    std::optional<minicad::DxfVersion> version;
    if (!versionName.empty()) {
        version = minicad::DxfVersionFromName(versionName);
        if (!version)
            return BadArguments(err, "unknown DXF version '" + versionName +
                                         "' (R12, R2000, R2004, R2007, R2010, R2013, R2018)");
    }
    const std::filesystem::path drawingPath = text::PathFromUtf8(drawingFile);
    const std::filesystem::path outPath =
        outFile.empty() ? DefaultOutput(drawingPath) : text::PathFromUtf8(outFile);

    job::Job job;
    try {
        job = job::ParseJobFile(text::PathFromUtf8(jobFile));
        job.source = jobFile;
    } catch (const job::JobError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitBadInput;
    }
    if (const std::string problem = CheckJob(job); !problem.empty()) {
        err << kName << ": " << problem << '\n';
        return kExitBadInput;
    }

    const auto cad = minicad::Application::Create();
    const auto input = std::make_shared<minicad::ScriptedInput>();
    cad->SetUserInput(input);
    try {
        cad->Open(drawingPath, readOptions);
    } catch (const std::exception& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitBadInput;
    }

    cadlink::InProcessCadRegistry registry;
    platform::RecordingDesktop desktop;
    const FragmentFolder fragments;
    palette::PaletteController controller(registry, desktop, fragments.path());
    if (!settingsFile.empty()) {
        const std::filesystem::path settingsPath = text::PathFromUtf8(settingsFile);
        try {
            if (!controller.LoadSettings(settingsPath, options::ScreenLayout{}).fileFound) {
                err << kName << ": settings file " << settingsFile << " does not exist\n";
                return kExitBadInput;
            }
        } catch (const options::ProfileFileError& e) {
            err << kName << ": " << e.what() << '\n';
            return kExitBadInput;
        }
    }
    if (target.empty() && settingsFile.empty()) target = commands::kDefaultTargetProgID;
    if (target.empty()) {
        target = controller.session().TargetProgID;
    } else {
        controller.session().TargetProgID = target;
    }
    registry.Register(target, cad->Object());
    palette::ControllerJobTarget jobTarget(controller, desktop);
    MinicadJobCad jobCad(cad->document(), *input, out);

    const int status = job::RunJob(job, jobTarget, jobCad, out, err);
    registry.Unregister(target);
    if (status != 0) return kExitFailed;
    try {
        minicad::DxfNotes dropped;
        cad->Save(outPath, version, &dropped);
        for (const std::string& line : dropped)
            err << kName << ": " << text::Utf8FromPath(outPath) << ": " << line << '\n';
    } catch (const std::exception& e) {
        err << kName << ": cannot save " << text::Utf8FromPath(outPath) << ": " << e.what() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace tarsel::app
