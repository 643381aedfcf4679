// tarsel table: the area table of a drawing, as "作成" with "全データ" would draw it, printed
// for a terminal or a spreadsheet. The triangles are gathered through minicad by the same code
// as the palette's, and laid out by the same code as the drawn table.
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "areatable/table_layout.h"
#include "areatable/table_text.h"
#include "areatable/triangle_data.h"
#include "cadlink/automation.h"
#include "commands/area_table_command.h"
#include "commands/triangle_collection.h"
#include "minicad/application.h"
#include "minicad/dxf.h"
#include "options/palette_options.h"
#include "subcommands.h"
#include "text/paths.h"

namespace tarsel::app {

namespace {

constexpr std::string_view kName = "tarsel table";

constexpr std::string_view kUsage =
    R"(Usage: tarsel table DRAWING.dxf [--set KEY=VALUE ...] [--csv]

Prints the area table that "作成" with "全データ" would place in the drawing: one row per
tagged triangle number, ordered by number, then the summary rows. Every figure is the one
the drawn table would show under the same options.

Options:
  --set KEY=VALUE  a palette option by its settings key, as in a job file, e.g.
                   --set Kyuuseki=1 (三斜), --set Syakudo=2 (1:100), --set Keta2=3,
                   --set Menseki=0 (切捨), --set Haba2=1500,3000,3000,4500
  --csv            CSV instead of aligned text: UTF-8, one header line; a summary row
                   puts its label in the column left of its value
  -h, --help       show this help

Exit status: 0 printed, 1 the drawing holds no tagged triangle numbers, 2 bad arguments,
a drawing that cannot be read, or options that give no table (nothing is printed).
)";

int BadArguments(std::ostream& err, const std::string& message) {
    err << kName << ": " << message << "\nTry '" << kName << " --help'.\n";
    return kExitBadInput;
}

}  // namespace

int RunTable(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    options::PaletteOptions options;
    std::string drawingFile;
    bool csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out << kUsage;
            return kExitOk;
        }
        if (arg == "--csv") {
            csv = true;
        } else if (arg == "--set") {
            if (i + 1 == args.size()) return BadArguments(err, "--set needs KEY=VALUE");
            const std::string& setting = args[++i];
            const auto equals = setting.find('=');
            if (equals == std::string::npos) {
                return BadArguments(err, "--set needs KEY=VALUE, not '" + setting + "'");
            }
            if (const auto refused =
                    options.SetOption(std::string_view(setting).substr(0, equals),
                                      std::string_view(setting).substr(equals + 1))) {
                return BadArguments(err, *refused);
            }
        } else if (arg.starts_with("-") && arg != "-") {
            return BadArguments(err, "unknown option '" + arg + "'");
        } else if (drawingFile.empty()) {
            drawingFile = arg;
        } else {
            return BadArguments(err, "only one drawing, not also '" + arg + "'");
        }
    }
    if (drawingFile.empty()) return BadArguments(err, "no drawing given");

    const auto cad = minicad::Application::Create();
    try {
        cad->Open(text::PathFromUtf8(drawingFile));
    } catch (const minicad::DxfError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitBadInput;
    }

    areatable::TriangleDataList lines;
    try {
        const cadlink::ObjectRef doc = cadlink::GetObject(cad->Object(), "ActiveDocument");
        lines = commands::CollectTriangleData(doc, true).lines;
    } catch (const cadlink::AutomationError& e) {
        err << kName << ": " << drawingFile << ": " << e.what() << '\n';
        return kExitFailed;
    }
    if (lines.empty()) {
        err << kName << ": " << drawingFile << ": no tagged triangle numbers ("
            << commands::kNoTriangleDataMessage << ")\n";
        return kExitFailed;
    }
    areatable::SortTriangleData(lines);

    const areatable::AreaTableResult layout =
        areatable::LayoutAreaTable(commands::AreaTableSettings(options), lines);
    if (!layout.table) {
        err << kName << ": no table: " << layout.error << '\n';
        return kExitBadInput;
    }
    out << (csv ? areatable::FormatAreaTableCsv(*layout.table)
                : areatable::FormatAreaTableText(*layout.table));
    return kExitOk;
}

}  // namespace tarsel::app
