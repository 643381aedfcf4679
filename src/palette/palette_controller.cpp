#include "palette/palette_controller.h"

#include "annotation/triangle_tag.h"
#include "areatable/area_table_command.h"
#include "areatable/maximum_number_command.h"
#include "cadlink/automation.h"
#include "commands/base_line_command.h"
#include "commands/group_select_command.h"
#include "commands/length_label_command.h"
#include "commands/number_move_command.h"
#include "commands/split_region_command.h"
#include "commands/text_rotation_command.h"
#include "commands/two_side_command.h"

namespace tarsel::palette {

namespace {

// Adding a button is one line here: control name, caption, and the handler it runs, e.g.
//   {"Button4", "最大", [](PaletteController& c) { c.RunCommand(areatable::Button4Click); }},
// (and the body's library in this folder's CMakeLists.txt).
constexpr PaletteButton kButtons[] = {
    {"Button10", "自動", [](PaletteController& c) { c.Button10Click("Button10"); }},
    {"Button12", "分割", [](PaletteController& c) { c.Button10Click("Button12"); }},
    {"Button6", "１点指示", [](PaletteController& c) { c.Button10Click("Button6"); }},
    {"Button11", "長さ記入", [](PaletteController& c) { c.Button11Click(); }},
    {"Button2", "文字回転", [](PaletteController& c) { c.Button2Click(); }},
    {"Button3", "作成", [](PaletteController& c) { c.RunCommand(areatable::Button3Click); }},
    {"Button4", "最大", [](PaletteController& c) { c.RunCommand(areatable::Button4Click); }},
    {"Button8", "２辺指示", [](PaletteController& c) { c.RunCommand(commands::Button8Click); }},
    {"Button13", "群選択", [](PaletteController& c) { c.RunCommand(commands::Button13Click); }},
    {"Button1", "基準線", [](PaletteController& c) { c.RunCommand(commands::Button1Click); }},
    {"Button9", "a-b反転", [](PaletteController& c) { c.RunCommand(commands::Button9Click); }},
    {"Button5", "番号と円移動", [](PaletteController& c) { c.RunCommand(commands::Button5Click); }},
};

constexpr char kEnterKey = 13;

}  // namespace

std::string PaletteCaption(std::string_view targetCadName) {
    const auto tilde = targetCadName.find('~');
    const auto blank = targetCadName.find(' ');
    std::string shortName(targetCadName);
    if (blank != std::string_view::npos && tilde != std::string_view::npos && tilde > blank) {
        shortName = std::string(targetCadName.substr(0, blank + 1)) +
                    std::string(targetCadName.substr(tilde));
    }
    return " [ " + shortName + " ]";
}

PaletteController::PaletteController(cadlink::CadConnection& connection, platform::Desktop& desktop,
                                     std::filesystem::path executableFolder)
    : session_(connection, desktop, options_, std::move(executableFolder)) {}

std::span<const PaletteButton> PaletteController::Buttons() {
    return kButtons;
}

bool PaletteController::Press(std::string_view controlOrCaption) {
    for (const PaletteButton& button : kButtons) {
        if (button.control == controlOrCaption || button.caption == controlOrCaption) {
            button.click(*this);
            return true;
        }
    }
    return false;
}

void PaletteController::RunCommand(const std::function<void()>& body) {
    lastQuietEnd_.clear();
    try {
        body();
    } catch (const cadlink::AutomationError& e) {
        lastQuietEnd_ = e.what();
    } catch (const options::NumberFieldError& e) {
        lastQuietEnd_ = e.what();
    } catch (const annotation::FragmentFileError& e) {
        lastQuietEnd_ = e.what();
    }
}

void PaletteController::Button10Click(std::string_view sender) {
    const commands::SplitSender which = sender == "Button12"  ? commands::SplitSender::Button12
                                        : sender == "Button6" ? commands::SplitSender::Button6
                                                              : commands::SplitSender::Button10;
    RunCommand([&] { commands::Button10Click(session_, which); });
}

bool PaletteController::Edit1KeyPress(char key) {
    if (key != kEnterKey) return false;
    focusedControl_ = "Edit2";
    return true;
}

bool PaletteController::Edit2KeyPress(char key) {
    if (key != kEnterKey) return false;
    focusedControl_ = "Button1";
    return true;
}

options::SettingsLoad PaletteController::LoadSettings(const std::filesystem::path& file,
                                                      const options::ScreenLayout& layout) {
    options::PaletteSettings settings{
        options_, formPosition_, {session_.TargetProgID, session_.TargetCadName}};
    const options::SettingsLoad load = options::LoadSettingsFile(file, layout, settings);
    // The counter is not stored; the copy carried the current one through unchanged.
    options_ = settings.options;
    formPosition_ = settings.position;
    session_.TargetProgID = settings.target.ProgID;
    session_.TargetCadName = settings.target.CadName;
    return load;
}

options::TextEncoding PaletteController::SaveSettings(const std::filesystem::path& file) const {
    const options::PaletteSettings settings{
        options_, formPosition_, {session_.TargetProgID, session_.TargetCadName}};
    return options::SaveSettingsFile(file, settings);
}

void PaletteController::Button15Click(TargetCadDialog& dialog,
                                      const std::function<bool()>& showModal) {
    dialog.CurrentProgID = session_.TargetProgID;
    if (showModal()) {
        session_.TargetCadName = dialog.Edit1;
        session_.TargetProgID = dialog.Edit2;
    }
}

void PaletteController::Button11Click() {
    RunCommand(commands::Button11Click);
}

void PaletteController::Button2Click() {
    RunCommand(commands::Button2Click);
}

}  // namespace tarsel::palette
