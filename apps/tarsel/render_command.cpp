// tarsel render: a picture of a drawing's model space as SVG, to look at a drawing (the demo's
// result among them) without a CAD.
#include <exception>
#include <string>
#include <string_view>

#include "minicad/dxf.h"
#include "minicad/dxf_group_drawing.h"
#include "minicad/svg_render.h"
#include "platform/file_write.h"
#include "subcommands.h"
#include "text/paths.h"

namespace tarsel::app {

namespace {

constexpr std::string_view kName = "tarsel render";

constexpr std::string_view kUsage =
    R"(Usage: tarsel render DRAWING.dxf -o OUT.svg [--background dark|white]

Writes an SVG picture of the drawing's model space: lines, polylines (bulges and widths),
circles, arcs, ellipses, splines, TEXT and MTEXT, SOLID and HATCH, LEADER, blocks with their
attributes and dimensions, in the colours of their layers, colour numbers or true colours.
The view is the drawing's extents with a margin of 2% of their larger side.

Options:
  -o OUT.svg            the picture to write (replaced whole, or left as it was on failure)
  --background dark     a dark background; colour 7 is white (the default)
  --background white    a white background; colour 7 is black
  -h, --help            show this help

What the picture leaves out (entity kinds it does not draw, a block that inserts itself) is
listed on stderr. Exit status: 0 written, 1 the picture could not be written, 2 bad
arguments or a drawing that cannot be read (nothing is written).
)";

int BadArguments(std::ostream& err, const std::string& message) {
    err << kName << ": " << message << "\nTry '" << kName << " --help'.\n";
    return kExitBadInput;
}

}  // namespace

int RunRender(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    std::string drawingFile, outputFile;
    minicad::SvgOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out << kUsage;
            return kExitOk;
        }
        if (arg == "-o") {
            if (i + 1 == args.size()) return BadArguments(err, "-o needs a file name");
            if (!outputFile.empty()) return BadArguments(err, "only one -o");
            outputFile = args[++i];
            if (outputFile.empty()) return BadArguments(err, "-o needs a file name");
        } else if (arg == "--background") {
            if (i + 1 == args.size()) return BadArguments(err, "--background needs dark or white");
            const std::string& value = args[++i];
            if (value == "dark") {
                options.background = minicad::SvgBackground::Dark;
            } else if (value == "white") {
                options.background = minicad::SvgBackground::White;
            } else {
                return BadArguments(err, "--background is dark or white, not '" + value + "'");
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
    if (outputFile.empty()) return BadArguments(err, "no picture given (-o OUT.svg)");

    minicad::SvgPicture picture;
    try {
        const auto drawing = minicad::dxf::GroupDrawing::FromFile(text::PathFromUtf8(drawingFile));
        picture = minicad::RenderSvg(drawing, options);
    } catch (const minicad::DxfError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitBadInput;
    }
    for (const std::string& note : picture.notes) err << kName << ": " << note << '\n';
    try {
        platform::WriteFileWhole(text::PathFromUtf8(outputFile), picture.svg);
    } catch (const platform::FileWriteError& e) {
        err << kName << ": " << e.what() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace tarsel::app
