// The palette's commands through real cross-process COM against minicad-server.exe: the same
// drawing as the same job run in process; a CAD that is not there, that dies during a command
// or that rejects calls ends the command quietly, and the next command reconnects.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cadlink/com/com_connection.h"
#include "cadlink/com/dispatch_session.h"
#include "cadlink/com/running_object.h"
#include "cadlink/connection.h"
#include "drawing_description.h"
#include "minicad/application.h"
#include "minicad/dxf.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"
#include "server_process.h"

namespace tarsel::cadlink::com {
namespace {

namespace fs = std::filesystem;
using testing::Describe;
using testing::ServerProcess;
using testing::TempFolder;

// {3F2B8C61-9D4E-4A7B-8C05-6E1D2F3A4B50}: a class of these tests only.
constexpr CLSID kClsid = {
    0x3f2b8c61, 0x9d4e, 0x4a7b, {0x8c, 0x05, 0x6e, 0x1d, 0x2f, 0x3a, 0x4b, 0x50}};
constexpr const char* kProgId = "Tarsel.MinicadServer.Test";

// One palette command and the user's answers to its prompts, as a job gives them.
struct Step {
    std::string button;
    std::vector<std::string> answers;
};

// A 10-vertex parcel with reflex corners, and a lone line for "長さ記入".
void WriteDrawing(const fs::path& path) {
    minicad::Drawing drawing;
    minicad::PolylineData parcel;
    for (auto [x, y] : {std::pair{0.0, 0.0},
                        {30.0, 0.0},
                        {40.0, 10.0},
                        {45.0, 25.0},
                        {35.0, 35.0},
                        {20.0, 30.0},
                        {10.0, 40.0},
                        {0.0, 35.0},
                        {-5.0, 20.0},
                        {5.0, 10.0}}) {
        parcel.vertices.push_back({x, y, 0});
    }
    parcel.closed = true;
    drawing.entities.push_back({1, "0", {}, parcel});
    drawing.entities.push_back({2, "0", {}, minicad::LineData{{100, 0, 0}, {130, 40, 0}}});
    minicad::WriteDxfFile(path, drawing);
}

minicad::Answer ToAnswer(const std::string& line) {
    double x = 0;
    double y = 0;
    if (std::sscanf(line.c_str(), "point %lf,%lf", &x, &y) == 2) {
        return minicad::Answer::MakePoint(x, y);
    }
    if (std::sscanf(line.c_str(), "pick %lf,%lf", &x, &y) == 2)
        return minicad::Answer::MakePick(x, y);
    return minicad::Answer::MakeCancel();
}

// Counts every automation call made through it and through the objects it hands out.
class CountingObject final : public Object {
public:
    CountingObject(ObjectRef inner, std::shared_ptr<int> calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}

    Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
        ++*calls_;
        for (Variant& arg : args) arg = Unwrap(arg);
        Variant result = Wrap(inner_->Invoke(member, kind, args));
        for (Variant& arg : args) arg = Wrap(arg);
        return result;
    }

private:
    Variant Wrap(const Variant& v) const {
        if (v.IsObject())
            return Variant(ObjectRef(std::make_shared<CountingObject>(v.AsObject(), calls_)));
        if (v.IsArray()) {
            Array array = v.AsArray();
            for (Variant& item : array.items) item = Wrap(item);
            return Variant(std::move(array));
        }
        return v;
    }
    static Variant Unwrap(const Variant& v) {
        if (v.IsObject()) {
            if (auto* counting = dynamic_cast<CountingObject*>(v.AsObject().get())) {
                return Variant(counting->inner_);
            }
        }
        if (v.IsArray()) {
            Array array = v.AsArray();
            for (Variant& item : array.items) item = Unwrap(item);
            return Variant(std::move(array));
        }
        return v;
    }

    ObjectRef inner_;
    std::shared_ptr<int> calls_;
};

class CrossProcessTest : public ::testing::Test {
protected:
    CrossProcessTest() { WriteDrawing(folder_ / "parcel.dxf"); }

    // The job in process: minicad in this process, reached directly.
    // Returns the saved drawing; calls, when given, counts the automation calls made.
    fs::path RunInProcess(const std::vector<Step>& steps, std::shared_ptr<int> calls = nullptr) {
        const auto application = minicad::Application::Create();
        application->Open(folder_ / "parcel.dxf");
        auto input = std::make_shared<minicad::ScriptedInput>();
        for (const Step& step : steps) {
            for (const std::string& answer : step.answers) input->Push(ToAnswer(answer));
        }
        application->SetUserInput(input);
        InProcessCadRegistry registry;
        registry.Register(kProgId,
                          calls ? std::make_shared<CountingObject>(application->Object(), calls)
                                : application->Object());
        platform::RecordingDesktop desktop;
        palette::PaletteController controller(registry, desktop, folder_.path());
        controller.session().TargetProgID = kProgId;
        for (const Step& step : steps) {
            EXPECT_TRUE(controller.Press(step.button));
            EXPECT_EQ(controller.LastQuietEnd(), "") << step.button;
        }
        const fs::path saved = folder_ / "in-process.dxf";
        application->Save(saved);
        return saved;
    }

    // The answers of all steps, in the answer file the server reads.
    fs::path WriteAnswers(const std::vector<Step>& steps, const char* name) {
        const fs::path path = folder_ / name;
        std::ofstream out(path);
        for (const Step& step : steps) {
            for (const std::string& answer : step.answers) out << answer << "\n";
        }
        return path;
    }

    std::vector<std::wstring> ServerArguments(const fs::path& answers, const fs::path& saved) {
        return {L"--answers", answers.wstring(), L"--save", saved.wstring(),
                (folder_ / "parcel.dxf").wstring()};
    }

    TempFolder folder_;
    ComCadConnection connection_;
    platform::RecordingDesktop desktop_;
};

// Ends the server through the automation model and waits for it to save.
void Quit(ComCadConnection& connection, ServerProcess& server) {
    (void)Call(connection.GetRunningApplication(kProgId), "Quit", {});
    ASSERT_EQ(server.Wait(), 0);
}

TEST_F(CrossProcessTest, CommandsDrawTheSameThroughComAsInProcess) {
    const std::vector<Step> steps = {{"自動", {"point 15,15"}}, {"長さ記入", {"pick 115,20"}}};
    const fs::path expected = RunInProcess(steps);

    const fs::path saved = folder_ / "through-com.dxf";
    ServerProcess server(kProgId, kClsid,
                         ServerArguments(WriteAnswers(steps, "answers.txt"), saved));
    palette::PaletteController controller(connection_, desktop_, folder_.path());
    controller.session().TargetProgID = kProgId;
    for (const Step& step : steps) {
        EXPECT_TRUE(controller.Press(step.button));
        EXPECT_EQ(controller.LastQuietEnd(), "") << step.button;
    }
    Quit(connection_, server);

    const auto want = Describe(minicad::ReadDxfFile(expected));
    const auto got = Describe(minicad::ReadDxfFile(saved));
    // The split wrote its triangles: far more than the two entities the drawing began with.
    EXPECT_GT(want.size(), 20u);
    EXPECT_EQ(got, want);
}

// The same job file through `tarsel run` (minicad in process) and through tarsel-com-run
// against the server: the same drawing and the same report. The sample job of the demo, and
// one that runs more of the palette on the test's own parcel.
TEST_F(CrossProcessTest, JobsRunOverComAsTarselRunRunsThem) {
    const fs::path examples = fs::path(TARSEL_SOURCE_DIR) / "examples";
    const fs::path ownJob = folder_ / "job.txt";
    std::ofstream(ownJob) << "set Keta1 3\n"
                             "press 自動\npoint 15,15\n"
                             "press 長さ記入\npick 115,20\n"
                             "press 長さ記入\ncancel\n"
                             "press 最大\n"
                             "press 作成\npoint 200,0\n";
    const std::pair<fs::path, fs::path> jobs[] = {
        {examples / "parcel.dxf", examples / "parcel-job.txt"},
        {folder_ / "parcel.dxf", ownJob},
    };
    for (const auto& [drawing, job] : jobs) {
        SCOPED_TRACE(job.string());
        const fs::path inProcess = folder_ / "tarsel-run.dxf";
        const testing::ProgramResult expected = testing::RunProgram(
            L"tarsel.exe", {L"run", drawing.wstring(), job.wstring(), L"-o", inProcess.wstring(),
                            L"--target", fs::path(kProgId).wstring()});
        ASSERT_EQ(expected.exitCode, 0) << expected.output;

        const fs::path saved = folder_ / "com-run.dxf";
        ServerProcess server(kProgId, kClsid, {L"--save", saved.wstring(), drawing.wstring()});
        const testing::ProgramResult got = testing::RunProgram(
            L"tarsel-com-run.exe", {L"--progid", fs::path(kProgId).wstring(), job.wstring()});
        EXPECT_EQ(got.exitCode, 0);
        EXPECT_NE(got.output.find("next-number"), std::string::npos) << got.output;
        EXPECT_NE(expected.output.find(got.output), std::string::npos)
            << "tarsel run:\n"
            << expected.output << "tarsel-com-run:\n"
            << got.output;
        Quit(connection_, server);
        const auto want = Describe(minicad::ReadDxfFile(inProcess));
        EXPECT_GT(want.size(), 20u);
        EXPECT_EQ(Describe(minicad::ReadDxfFile(saved)), want);
    }
}

TEST_F(CrossProcessTest, NoServerMeansTheButtonDoesNothing) {
    RegisterProgId(kProgId, kClsid);
    palette::PaletteController controller(connection_, desktop_, folder_.path());
    controller.session().TargetProgID = kProgId;
    EXPECT_TRUE(controller.Press("自動"));
    controller.session().TargetProgID = "Tarsel.NotRegistered.Test";
    EXPECT_TRUE(controller.Press("長さ記入"));
    EXPECT_EQ(controller.LastQuietEnd(), "");
    EXPECT_TRUE(desktop_.log.empty());
    UnregisterProgId(kProgId);
}

TEST_F(CrossProcessTest, ADyingServerEndsTheCommandQuietlyAndTheNextCommandReconnects) {
    palette::PaletteController controller(connection_, desktop_, folder_.path());
    controller.session().TargetProgID = kProgId;
    {
        // The CAD dies while its prompt waits for the point.
        ServerProcess dying(kProgId, kClsid,
                            {L"--die-at-prompt", L"1", (folder_ / "parcel.dxf").wstring()});
        EXPECT_TRUE(controller.Press("自動"));
        EXPECT_NE(controller.LastQuietEnd(), "");
        EXPECT_EQ(dying.Wait(), 3);
    }
    const fs::path saved = folder_ / "after-restart.dxf";
    ServerProcess server(
        kProgId, kClsid,
        ServerArguments(WriteAnswers({{"自動", {"point 15,15"}}}, "a.txt"), saved));
    EXPECT_TRUE(controller.Press("自動"));
    EXPECT_EQ(controller.LastQuietEnd(), "");
    Quit(connection_, server);
    EXPECT_GT(minicad::ReadDxfFile(saved).entities.size(), 20u);
}

TEST_F(CrossProcessTest, ARejectedCallEndsTheCommandQuietly) {
    const fs::path reject = folder_ / "reject";
    const fs::path saved = folder_ / "rejected.dxf";
    const std::vector<Step> steps = {{"自動", {"point 15,15"}}, {"自動", {"point 15,15"}}};
    std::vector<std::wstring> arguments = ServerArguments(WriteAnswers(steps, "a.txt"), saved);
    // The CAD turns busy once it has the point: the command's next call is rejected.
    arguments.insert(arguments.begin(),
                     {L"--reject-file", reject.wstring(), L"--reject-from-prompt", L"1"});
    ServerProcess server(kProgId, kClsid, arguments);
    palette::PaletteController controller(connection_, desktop_, folder_.path());
    controller.session().TargetProgID = kProgId;

    EXPECT_TRUE(controller.Press("自動"));
    EXPECT_NE(controller.LastQuietEnd().find("0x80010001"),
              std::string::npos)  // RPC_E_CALL_REJECTED
        << controller.LastQuietEnd();
    ASSERT_TRUE(fs::exists(reject));

    // While it rejects every call, even finding it fails: the button does nothing.
    desktop_.log.clear();
    EXPECT_TRUE(controller.Press("自動"));
    EXPECT_TRUE(desktop_.log.empty());

    // Once it takes calls again, the next command runs.
    fs::remove(reject);
    EXPECT_TRUE(controller.Press("自動"));
    EXPECT_EQ(controller.LastQuietEnd(), "");
    Quit(connection_, server);
    EXPECT_GT(minicad::ReadDxfFile(saved).entities.size(), 20u);
}

// The figures of one "自動" through cross-process COM: the automation calls made, and the
// time spent apart from the frame's fixed waits (the recording desktop does not wait).
TEST_F(CrossProcessTest, AutomaticSplitCallCounts) {
    const auto inProcessCalls = std::make_shared<int>(0);
    (void)RunInProcess({{"自動", {"point 15,15"}}}, inProcessCalls);
    const fs::path saved = folder_ / "counted.dxf";
    ServerProcess server(
        kProgId, kClsid,
        ServerArguments(WriteAnswers({{"自動", {"point 15,15"}}}, "a.txt"), saved));
    palette::PaletteController controller(connection_, desktop_, folder_.path());
    controller.session().TargetProgID = kProgId;

    const ClientCallCounts before = CurrentClientCallCounts();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(controller.Press("自動"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const ClientCallCounts used = CurrentClientCallCounts() - before;
    EXPECT_EQ(controller.LastQuietEnd(), "");

    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::cout << "自動 on a 10-vertex parcel through COM: " << used.invoke << " Invoke, "
              << used.getIDsOfNames << " GetIDsOfNames, " << used.getTypeInfo << " GetTypeInfo, "
              << used.getDocumentation << " GetDocumentation; " << ms << " ms wall time ("
              << desktop_.clockMs << " ms of fixed waits not slept)\n";
    RecordProperty("invoke", static_cast<int>(used.invoke));
    RecordProperty("getIDsOfNames", static_cast<int>(used.getIDsOfNames));
    RecordProperty("wallMs", static_cast<int>(ms));
    // The COM path makes exactly the calls the command makes, and looks each name up at
    // most once per object type, so lookups stay far below calls.
    EXPECT_EQ(used.invoke, static_cast<std::uint64_t>(*inProcessCalls));
    EXPECT_LT(used.getIDsOfNames * 3, used.invoke);
    Quit(connection_, server);
}

}  // namespace
}  // namespace tarsel::cadlink::com
