// The command frame's steps as the desktop sees them, against a stand-in application object
// that counts how often its window handle is read.
#include "commands/command_frame.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cadlink/connection.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"

namespace tarsel::commands {
namespace {

using cadlink::AutomationError;
using cadlink::InvokeKind;
using cadlink::Variant;

constexpr std::int64_t kHwnd = 4711;

class FakeApplication final : public cadlink::Object {
public:
    int hwndReads = 0;
    bool failDocument = false;
    cadlink::ObjectRef document = std::make_shared<FakeApplication>(nullptr);

    explicit FakeApplication(std::nullptr_t) : document(nullptr) {}
    FakeApplication() = default;

    Variant Invoke(std::string_view member, InvokeKind, std::span<Variant>) override {
        if (member == "HWND") {
            ++hwndReads;
            return Variant(kHwnd);
        }
        if (member == "ActiveDocument") {
            if (failDocument)
                throw AutomationError("ActiveDocument", cadlink::hresult::kFail, "gone");
            return Variant(document);
        }
        throw AutomationError(std::string(member), cadlink::hresult::kUnknownName, "unknown");
    }
};

struct FrameFixture : ::testing::Test {
    cadlink::InProcessCadRegistry registry;
    platform::RecordingDesktop desktop;
    palette::PaletteController controller{registry, desktop};
    std::shared_ptr<FakeApplication> app = std::make_shared<FakeApplication>();

    commands::CadSession& session() { return controller.session(); }
    void Run() { registry.Register(session().TargetProgID, app); }
    // A base-line triangle was just built: its record must survive only a keep frame.
    void RecordBaseLineTriangle() {
        session().CreatedIds = {1, 2, 3};
        session().RecordCreatedIds = true;
        session().Button9Enabled = true;
    }
};

TEST_F(FrameFixture, CadNotRunningChangesNothing) {
    RecordBaseLineTriangle();
    EXPECT_EQ(BeginCadCommand(session(), FrameForm::Full), std::nullopt);
    EXPECT_TRUE(desktop.log.empty());
    EXPECT_EQ(session().CreatedIds.size(), 3u);
    EXPECT_TRUE(session().Button9Enabled);
    EXPECT_EQ(session().CadApp, nullptr);
}

TEST_F(FrameFixture, FrontWindowGetsOneEscapeStroke) {
    Run();
    const auto doc = BeginCadCommand(session(), FrameForm::Full);
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(*doc, app->document);
    EXPECT_EQ(session().CadApp, app);
    const std::vector<std::string> expected = {"IsIconic 4711",
                                               "SetForegroundWindow 4711",
                                               "GetForegroundWindow",
                                               "KeybdEvent 27 0 0 0",
                                               "Sleep 5",
                                               "KeybdEvent 27 0 2 0",
                                               "Sleep 200"};
    EXPECT_EQ(desktop.log, expected);
    EXPECT_EQ(app->hwndReads, 3);
}

TEST_F(FrameFixture, MinimisedWindowIsRestoredFirstAndHandleReadEachStep) {
    Run();
    desktop.iconic.insert(kHwnd);
    ASSERT_TRUE(BeginCadCommand(session(), FrameForm::Full).has_value());
    ASSERT_GE(desktop.log.size(), 4u);
    EXPECT_EQ(desktop.log[0], "IsIconic 4711");
    EXPECT_EQ(desktop.log[1], "OpenIcon 4711");
    EXPECT_EQ(desktop.log[2], "Sleep 500");
    EXPECT_EQ(desktop.log[3], "SetForegroundWindow 4711");
    EXPECT_EQ(app->hwndReads, 4);
    EXPECT_EQ(desktop.clockMs, 500u + 5u + 200u);
}

TEST_F(FrameFixture, RefusedForegroundSendsNoKeyAndGoesOn) {
    Run();
    desktop.refuseForeground = true;
    desktop.foreground = 99;  // the palette stays in front
    EXPECT_TRUE(BeginCadCommand(session(), FrameForm::Full).has_value());
    EXPECT_TRUE(desktop.keys.empty());
    EXPECT_EQ(desktop.clockMs, 0u);
}

TEST_F(FrameFixture, FullFormDropsTheBaseLineRecordKeepFormLeavesIt) {
    Run();
    RecordBaseLineTriangle();
    ASSERT_TRUE(BeginCadCommand(session(), FrameForm::Keep).has_value());
    EXPECT_EQ(session().CreatedIds.size(), 3u);
    EXPECT_TRUE(session().RecordCreatedIds);
    EXPECT_TRUE(controller.Button9Enabled());

    ASSERT_TRUE(BeginCadCommand(session(), FrameForm::Full).has_value());
    EXPECT_TRUE(session().CreatedIds.empty());
    EXPECT_FALSE(session().RecordCreatedIds);
    EXPECT_FALSE(controller.Button9Enabled());
}

TEST_F(FrameFixture, FailureAfterConnectingRaisesAndTheControllerEndsQuietly) {
    Run();
    app->failDocument = true;
    EXPECT_THROW((void)BeginCadCommand(session(), FrameForm::Full), AutomationError);

    desktop.log.clear();
    controller.Press("長さ記入");  // the same frame inside the palette's one catch
    EXPECT_NE(controller.LastQuietEnd().find("ActiveDocument"), std::string::npos);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FrameFixture, PressFindsButtonsByControlNameOrCaption) {
    // Without a running CAD every command returns at once; only the lookup is tested here.
    for (const char* name : {"Button10", "自動", "Button12", "分割", "Button6", "１点指示",
                             "Button11", "長さ記入", "Button2", "文字回転"}) {
        EXPECT_TRUE(controller.Press(name)) << name;
    }
    EXPECT_FALSE(controller.Press("Button99"));
    EXPECT_FALSE(controller.Press("button10"));
    EXPECT_TRUE(desktop.log.empty());
}

}  // namespace
}  // namespace tarsel::commands
