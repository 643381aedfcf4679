#include "commands/command_frame.h"

#include "cadlink/drawing_services.h"

namespace tarsel::commands {

using cadlink::Get;

namespace {

// Read anew each time: the CAD may recreate its main window while it is being restored.
platform::WindowHandle CadWindow(const CadSession& session) {
    return Get(session.CadApp, "HWND").AsInt64();
}

}  // namespace

std::optional<cadlink::ObjectRef> BeginCadCommand(CadSession& session, FrameForm form) {
    if (!session.connection.IsCadRunning(session.TargetProgID)) return std::nullopt;

    if (form == FrameForm::Full) {
        session.CreatedIds.clear();
        session.RecordCreatedIds = false;
        session.Button9Enabled = false;
    }

    session.CadApp = session.connection.GetRunningApplication(session.TargetProgID);
    ActivateCadWindow(session);
    return cadlink::GetObject(session.CadApp, "ActiveDocument");
}

void ActivateCadWindow(CadSession& session) {
    platform::Desktop& desktop = session.desktop;
    if (desktop.IsIconic(CadWindow(session))) {
        desktop.OpenIcon(CadWindow(session));
        desktop.Sleep(500);
    }
    desktop.SetForegroundWindow(CadWindow(session));
    if (desktop.GetForegroundWindow() == CadWindow(session)) {
        desktop.KeybdEvent(platform::kVkEscape, 0, 0, 0);
        desktop.Sleep(5);
        desktop.KeybdEvent(platform::kVkEscape, 0, platform::kKeyEventKeyUp, 0);
        desktop.Sleep(200);
    }
}

void SendClosingEscape(CadSession& session) {
    platform::Desktop& desktop = session.desktop;
    desktop.SetForegroundWindow(CadWindow(session));
    if (desktop.GetForegroundWindow() == CadWindow(session)) {
        desktop.KeybdEvent(platform::kVkEscape, 0, 0, 0);
        desktop.Sleep(5);
        desktop.KeybdEvent(platform::kVkEscape, 0, platform::kKeyEventKeyUp, 0);
    }
}

void WaitForCadIdle(const CadSession& session, std::uint32_t intervalMs) {
    cadlink::WaitForCadIdle(session.CadApp, session.TargetProgID, session.desktop, intervalMs);
}

void ShowMessageAndReturnToCad(CadSession& session, std::string_view text,
                               std::string_view caption) {
    session.desktop.ShowMessage(text, caption);
    session.desktop.SetForegroundWindow(CadWindow(session));
}

}  // namespace tarsel::commands
