// The palette without its window: the option state, the process-wide session, the option
// handlers and the buttons. Every button press runs its command inside one catch that ends the
// command quietly on a failing CAD call, so the Win32 window and `tarsel run` behave alike.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "cadlink/cad_session.h"
#include "cadlink/connection.h"
#include "options/palette_options.h"
#include "options/settings_file.h"
#include "palette/target_cad_dialog.h"
#include "platform/desktop.h"

namespace tarsel::palette {

// " [ " + short name + " ]": "Name Ver1~Ver2" shows as "Name ~Ver2"; a name without a blank,
// without a "~", or with the "~" before the first blank shows whole. The application title
// before it is empty.
[[nodiscard]] std::string PaletteCaption(std::string_view targetCadName);

class PaletteController;

// One palette button: its control name, its caption and what a click runs.
struct PaletteButton {
    std::string_view control;
    std::string_view caption;
    void (*click)(PaletteController&);
};

class PaletteController {
public:
    PaletteController(cadlink::CadConnection& connection, platform::Desktop& desktop,
                      std::filesystem::path executableFolder = {});
    PaletteController(const PaletteController&) = delete;
    PaletteController& operator=(const PaletteController&) = delete;

    [[nodiscard]] options::PaletteOptions& options() { return options_; }
    [[nodiscard]] const options::PaletteOptions& options() const { return options_; }
    [[nodiscard]] cadlink::CadSession& session() { return session_; }
    [[nodiscard]] const cadlink::CadSession& session() const { return session_; }

    [[nodiscard]] std::string Caption() const { return PaletteCaption(session_.TargetCadName); }

    // --- The settings file, read once at creation (after the creation defaults) and written
    // once at destruction. A missing file keeps the defaults and the design position; a
    // missing position is centred in layout. Both raise options::ProfileFileError naming the
    // file and the reason: a file that cannot be read leaves the defaults, and a save that
    // fails leaves the old file whole.
    options::SettingsLoad LoadSettings(const std::filesystem::path& file,
                                       const options::ScreenLayout& layout);
    options::TextEncoding SaveSettings(const std::filesystem::path& file) const;
    // Where the palette stands on the screen; the window reports moves here before a save.
    [[nodiscard]] const options::FormPosition& FormPosition() const { return formPosition_; }
    void SetFormPosition(const options::FormPosition& position) { formPosition_ = position; }

    // "CAD" (Button15): the dialog gets the current ProgID, showModal shows it (true for OK),
    // and on OK its edits become the target as they stand, empty ones included. The caption
    // follows the target in either case.
    void Button15Click(TargetCadDialog& dialog, const std::function<bool()>& showModal);
    [[nodiscard]] bool Button9Enabled() const { return session_.Button9Enabled; }

    // --- Option handlers (the window forwards its controls' events here).
    void RadioGroup1Click(int itemIndex) { options_.SetKyuuseki(itemIndex); }
    void UpDown2Click(int position) { options_.SetKeta1(position); }
    void UpDown6Click(int position) { options_.SetKeta2(position); }
    void UpDown1Click(int position) { options_.SetKeta3(position); }
    // checkedIndex: 0, 1 or 2 for the first, second or third button of the group.
    void RadioButton1Click(int checkedIndex) { options_.SetNagasa(checkedIndex); }
    void RadioButton4Click(int checkedIndex) { options_.SetMenseki(checkedIndex); }
    void RadioButton7Click(int checkedIndex) { options_.SetGoukei(checkedIndex); }
    void UpDown3Click(int position) { options_.SetSyakudo(position); }
    void UpDown5Click(int position) { options_.SetJouritu(position); }
    void UpDown4Click(int position) { options_.SetNextNumber(position); }
    void CheckBox3Click(bool checked) { options_.SetLeader(checked); }

    // --- Keys in the side fields of "基準線": Enter (13) moves on, a → b → "基準線", so a and b
    // are typed and the build started without the mouse. Returns whether the key was
    // swallowed; every other key goes into the field unchanged.
    bool Edit1KeyPress(char key);
    bool Edit2KeyPress(char key);
    // The control holding the keyboard focus as the key handlers left it; the window moves
    // its focus there, and it is empty until a handler moved it.
    [[nodiscard]] const std::string& FocusedControl() const { return focusedControl_; }
    void SetFocusedControl(std::string_view control) { focusedControl_ = control; }

    // --- Buttons. Each runs inside the one catch (see RunCommand).
    // "自動" (Button10), "分割" (Button12) and "１点指示" (Button6) share this handler.
    void Button10Click(std::string_view sender);
    void Button11Click();  // "長さ記入"
    void Button2Click();   // "文字回転"

    // Every button a click can reach, in registration order.
    [[nodiscard]] static std::span<const PaletteButton> Buttons();
    // Clicks a button by control name ("Button10") or caption ("自動"); false when the palette
    // has no such button.
    bool Press(std::string_view controlOrCaption);

    // Runs a command body. A failing CAD call (a cancelled prompt included), a number field
    // that does not convert, or a fragment file that cannot be written ends the command
    // quietly, leaving what it wrote; the reason is kept for diagnostics, never shown.
    void RunCommand(const std::function<void()>& body);
    // The same for a command body that needs only the session (most button handlers).
    void RunCommand(void (*body)(cadlink::CadSession&)) {
        RunCommand([this, body] { body(session_); });
    }
    // Why the last command ended early; empty when it ran to its end.
    [[nodiscard]] const std::string& LastQuietEnd() const { return lastQuietEnd_; }

private:
    options::PaletteOptions options_;
    cadlink::CadSession session_;
    std::string lastQuietEnd_;
    std::string focusedControl_;
    options::FormPosition formPosition_;
};

}  // namespace tarsel::palette
