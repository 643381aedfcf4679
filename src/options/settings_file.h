// The palette's settings file: its options, its place on the screen and the target CAD, read
// once when the palette opens and written once when it closes. Screen and palette sizes come
// in as values, so all of it runs without a window.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "options/palette_options.h"
#include "options/profile_file.h"
#include "options/text_file_encoding.h"

namespace tarsel::options {

inline constexpr std::string_view kFormSection = "Form";
inline constexpr std::string_view kOptionsSection = "LT_Tarsel";

// The palette's top-left corner in screen pixels; by default where the form was designed.
struct FormPosition {
    int Left = 589;
    int Top = 336;
    friend bool operator==(const FormPosition&, const FormPosition&) = default;
};

// What a missing position is centred in: the screen, and the palette's outer size.
struct ScreenLayout {
    int screenWidth = 1920;
    int screenHeight = 1080;
    int paletteWidth = 195;  // the client area; the window adds its frame
    int paletteHeight = 266;
};

// The target CAD as the settings file keeps it (TargetProgID, TargetCadName).
struct TargetCad {
    std::string ProgID;
    std::string CadName;
    friend bool operator==(const TargetCad&, const TargetCad&) = default;
};

// Everything the settings file holds. Before a load it holds the creation defaults, which the
// file's keys override one by one.
struct PaletteSettings {
    PaletteOptions options;
    FormPosition position;
    TargetCad target;
};

struct SettingsLoad {
    bool fileFound = false;
    TextEncoding encoding;  // of the file read (of a new file when none was found)
};

// The path of the settings file: the executable's path with its extension replaced by ".ini".
[[nodiscard]] std::filesystem::path SettingsPathFor(const std::filesystem::path& executable);

// Reads the settings from a profile into settings; missing keys keep the table's defaults, a
// missing position is centred in layout (never fitted to the screen).
void ReadSettings(const ProfileFile& profile, const ScreenLayout& layout,
                  PaletteSettings& settings);
// Writes every key of both sections, in the file's order. Raises ProfileFileError naming the
// key when a value cannot be stored; the profile is then partly updated, but nothing is on
// disk until it is saved.
void WriteSettings(const PaletteSettings& settings, ProfileFile& profile);

// Loads the file at path into settings. A missing file leaves settings as they are (the
// design position included). A file that cannot be read raises ProfileFileError and leaves
// settings as they are.
SettingsLoad LoadSettingsFile(const std::filesystem::path& path, const ScreenLayout& layout,
                              PaletteSettings& settings);
// Writes the settings into the file at path as it stands now (created when missing), keeping
// everything else in it, and replaces it whole. On any failure the file is as it was and
// ProfileFileError names the file and the reason. Returns the encoding written.
TextEncoding SaveSettingsFile(const std::filesystem::path& path, const PaletteSettings& settings);

}  // namespace tarsel::options
