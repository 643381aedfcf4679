#include "palette/controller_job_target.h"

#include <algorithm>

namespace tarsel::palette {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string ControllerJobTarget::SetOption(std::string_view key, std::string_view value) {
    // A job may spell a key in any letter case; the options know only the settings spelling.
    std::string_view name = key;
    for (const std::string& k : options::PaletteOptions::Keys()) {
        if (EqualsIgnoringAsciiCase(k, key)) name = k;
    }
    return controller_.options().SetOption(name, value).value_or(std::string());
}

bool ControllerJobTarget::Press(std::string_view button) {
    return controller_.Press(button);
}

std::vector<job::JobMessage> ControllerJobTarget::TakeMessages() {
    std::vector<job::JobMessage> taken;
    for (std::size_t i = seenMessages_; i < desktop_.messages.size(); ++i) {
        taken.push_back({desktop_.messages[i].caption, desktop_.messages[i].text});
    }
    seenMessages_ = desktop_.messages.size();
    return taken;
}

}  // namespace tarsel::palette
