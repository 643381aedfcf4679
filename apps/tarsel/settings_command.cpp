// tarsel settings: the palette's settings file as the palette reads it, and changed as its
// controls would change it. What it prints is what the palette would show after loading the
// file; what it saves is what the palette would write when it closes.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/palette_options.h"
#include "options/profile_file.h"
#include "options/settings_file.h"
#include "subcommands.h"
#include "text/numbers.h"
#include "text/paths.h"

namespace tarsel::app {

namespace {

constexpr std::string_view kName = "tarsel settings";

constexpr std::string_view kUsage =
    R"(Usage: tarsel settings FILE.ini [--set KEY=VALUE ...]

Prints the palette's settings as the palette loads them from FILE, one KEY=VALUE a line:
the options of section LT_Tarsel in the file's order (ProgId and cadName last), then Top and
Left (a missing position is centred on a 1920 x 1080 screen), then the file's encoding.
Keys the file lacks show their defaults; values show as the controls take them (a digit
count of 9 shows as 6, a rounding mode of 7 as 0).

With --set, each option is changed as the palette's control would change it (up-down
values are clamped to their range), and FILE is saved as the palette saves it when it
closes: every key of the palette updated in place, everything else in the file kept as it
is, the file replaced whole. A missing FILE is created.

Options:
  --set KEY=VALUE  a settings key (Kakudo, Kyuuseki, Keta1, ..., UseTextStyle, ProgId,
                   cadName, Top, Left) and its new value
  -h, --help       show this help

Exit status: 0 printed (and saved), 1 the file could not be saved (it is left as it was),
2 bad arguments, a value the control cannot take, or a file that cannot be read.
)";

constexpr options::ScreenLayout kScreen{1920, 1080, 195, 266};
constexpr const char* kDefaultProgID = "BricscadApp.AcadApplication";
constexpr const char* kDefaultCadName = "BricsCAD";

int BadArguments(std::ostream& err, const std::string& message) {
    err << kName << ": " << message << "\nTry '" << kName << " --help'.\n";
    return kExitBadInput;
}

// Changes one setting; an error text when the key or the value is refused.
std::optional<std::string> Set(options::PaletteSettings& s, std::string_view key,
                               std::string_view value) {
    if (key == "ProgId") {
        s.target.ProgID = std::string(value);
        return std::nullopt;
    }
    if (key == "cadName") {
        s.target.CadName = std::string(value);
        return std::nullopt;
    }
    if (key == "Top" || key == "Left") {
        const auto n = text::ParseInteger(value);
        if (!n || *n < INT32_MIN || *n > INT32_MAX) {
            return "option " + std::string(key) + ": \"" + std::string(value) +
                   "\" is not an integer";
        }
        (key == "Top" ? s.position.Top : s.position.Left) = static_cast<int>(*n);
        return std::nullopt;
    }
    if (key == "NextNumber") return "NextNumber is not kept in the settings file";
    return s.options.SetOption(key, value);
}

void Print(const options::PaletteSettings& s, const options::TextEncoding& encoding,
           std::ostream& out) {
    for (const std::string& key : options::PaletteOptions::Keys()) {
        if (key != "NextNumber") out << key << '=' << *s.options.GetOption(key) << '\n';
    }
    out << "ProgId=" << s.target.ProgID << '\n'
        << "cadName=" << s.target.CadName << '\n'
        << "Top=" << s.position.Top << '\n'
        << "Left=" << s.position.Left << '\n'
        << "encoding=" << options::EncodingName(encoding) << '\n';
}

}  // namespace

int RunSettings(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    std::string file;
    std::vector<std::string> sets;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out << kUsage;
            return kExitOk;
        }
        if (arg == "--set") {
            if (i + 1 == args.size()) return BadArguments(err, "--set needs KEY=VALUE");
            sets.push_back(args[++i]);
        } else if (arg.starts_with("-") && arg != "-") {
            return BadArguments(err, "unknown option '" + arg + "'");
        } else if (file.empty()) {
            file = arg;
        } else {
            return BadArguments(err, "one settings file, not also '" + arg + "'");
        }
    }
    if (file.empty()) return BadArguments(err, "a settings file is needed");
    const std::filesystem::path path = text::PathFromUtf8(file);

    options::PaletteSettings settings;
    settings.target = {kDefaultProgID, kDefaultCadName};
    options::SettingsLoad load;
    try {
        load = options::LoadSettingsFile(path, kScreen, settings);
    } catch (const options::ProfileFileError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitBadInput;
    }
    // All changes are checked before anything is written.
    for (const std::string& setting : sets) {
        const auto equals = setting.find('=');
        if (equals == std::string::npos) {
            return BadArguments(err, "--set needs KEY=VALUE, not '" + setting + "'");
        }
        const std::string_view key = std::string_view(setting).substr(0, equals);
        if (const auto refused = Set(settings, key, std::string_view(setting).substr(equals + 1)))
            return BadArguments(err, *refused);
    }
    if (sets.empty()) {
        if (!load.fileFound) err << kName << ": " << file << " does not exist; the defaults\n";
        Print(settings, load.encoding, out);
        return kExitOk;
    }
    options::TextEncoding written;
    try {
        written = options::SaveSettingsFile(path, settings);
    } catch (const options::ProfileFileError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitFailed;
    }
    Print(settings, written, out);
    return kExitOk;
}

}  // namespace tarsel::app
