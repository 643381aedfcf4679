// The palette's settings file and the list of target CADs are edited by hand and by other
// programs: anything reads, and what is written reads back to the same.
#include <string>

#include "options/cad_list_file.h"
#include "options/profile_file.h"
#include "options/settings_file.h"
#include "targets.h"

namespace tarsel::fuzz {
namespace {

// The settings as a fresh file holds them.
std::string Written(const options::PaletteSettings& settings) {
    options::ProfileFile profile;
    options::WriteSettings(settings, profile);
    return profile.Serialize().bytes;
}

void SettingsRoundTrip(std::string_view bytes) {
    const options::ScreenLayout layout;
    options::PaletteSettings first;
    options::ReadSettings(options::ProfileFile::FromBytes(bytes), layout, first);
    std::string once;
    try {
        once = Written(first);
    } catch (const options::ProfileFileError&) {
        return;  // a value no profile line can hold is refused, naming the key
    }
    options::PaletteSettings second;
    options::ReadSettings(options::ProfileFile::FromBytes(once), layout, second);
    if (Written(second) != once) Broken("settings", "settings written do not read back");
}

void CadListRoundTrip(std::string_view bytes) {
    options::CadListFile list;
    try {
        list = options::ParseCadList(bytes);
    } catch (const options::CadListFileError&) {
        return;
    }
    const options::CadListBytes saved = options::SerializeCadList(list.lines, list);
    options::CadListFile back;
    try {
        back = options::ParseCadList(saved.bytes);
    } catch (const options::CadListFileError& e) {
        Broken("settings", std::string("a saved CAD list does not read back: ") + e.what());
    }
    if (back.lines != list.lines) Broken("settings", "a CAD list changed on saving");
}

}  // namespace

void FuzzSettings(Input input) {
    SettingsRoundTrip(AsText(input));
    CadListRoundTrip(AsText(input));
}

}  // namespace tarsel::fuzz
