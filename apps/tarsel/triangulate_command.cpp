// tarsel triangulate: splits an outline read from a text file and prints the diagonals and
// triangles in the order the split produces them, and whether the completion was needed.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "geometry/outline_text.h"
#include "geometry/outline_triangulation.h"
#include "subcommands.h"
#include "text/numbers.h"
#include "text/paths.h"

namespace tarsel::app {

namespace {

using geometry::TAcadPoint;

constexpr std::string_view kName = "tarsel triangulate";

constexpr std::string_view kUsage =
    R"(Usage: tarsel triangulate FILE [--view-size V]
       tarsel triangulate FILE --strict [--view-size V]

Splits a closed outline into triangles whose corners are outline vertices, the way the
palette's split commands do, and prints one record per line:
  diagonal x1 y1 x2 y2            each accepted diagonal, in the order of acceptance
  triangle x1 y1 x2 y2 x3 y3      each triangle, in the order that numbers them
  ok                              the 60-degree cuts split the outline on their own
  ok completed N                  they gave up and the split was completed: they ran
                                  again refusing diagonals through vertices, and the last
                                  N triangles were cut as ears
  failed                          the outline cannot be split (its edges cross, it has
                                  fewer than three distinct vertices or no area)
Numbers are printed with 17 significant digits, so they read back exactly.

FILE holds one vertex per line, "x y" or "x,y", with an optional z that is ignored.
Blank lines and "#" comments are allowed. The outline is closed implicitly: do not repeat
the first vertex at the end.

Options:
  --view-size V   the height of the CAD view in drawing units; the inside test casts a ray
                  ten times as long. Default: 10 times the larger side of the outline's
                  bounding box.
  --strict        the 60-degree cuts as they always were: no exact check of each cut and no
                  completion, so "failed" where they give up. For comparing with earlier
                  results only: their inside test can take a triangle outside for inside.
  -h, --help      show this help

Exit status: 0 split, 1 the split failed (the diagonals printed so far were accepted),
2 bad arguments or a bad file (nothing else is printed).
)";

// Far above any parcel; keeps a stray huge file from being read into memory or from
// keeping the quadratic split busy for hours.
constexpr std::uintmax_t kMaxFileBytes = 16u * 1024 * 1024;
constexpr std::size_t kMaxVertices = 10000;

std::string Number17(double value) {
    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

// The whole file, or nullopt with the reason in `error`.
std::optional<std::string> ReadWholeFile(const std::string& name, std::string& error) {
    const std::filesystem::path path = text::PathFromUtf8(name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "is a directory";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open: " + std::generic_category().message(errno);
        return std::nullopt;
    }
    std::string content;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxFileBytes) {
            error = "larger than " + std::to_string(kMaxFileBytes / (1024 * 1024)) + " MiB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        error = "cannot read";
        return std::nullopt;
    }
    return content;
}

std::optional<double> ParseViewSize(std::string_view text) {
    const std::optional<double> value = text::ParseDecimal(text);
    if (!value || *value <= 0) return std::nullopt;
    return value;
}

double DefaultViewSize(const std::vector<TAcadPoint>& vertices) {
    const auto [minX, maxX] = std::minmax_element(vertices.begin(), vertices.end(),
                                                  [](auto& a, auto& b) { return a.x < b.x; });
    const auto [minY, maxY] = std::minmax_element(vertices.begin(), vertices.end(),
                                                  [](auto& a, auto& b) { return a.y < b.y; });
    return 10 * std::max(maxX->x - minX->x, maxY->y - minY->y);
}

int Usage(std::ostream& err, std::string_view problem) {
    err << kName << ": " << problem << "\nTry 'tarsel triangulate --help'.\n";
    return kExitBadInput;
}

}  // namespace

int RunTriangulate(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> file;
    std::optional<double> viewSize;
    bool strict = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "-h" || arg == "--help") {
            out << kUsage;
            return kExitOk;
        }
        std::optional<std::string> viewText;
        if (arg == "--strict") {
            strict = true;
        } else if (arg == "--view-size") {
            if (k + 1 == args.size()) return Usage(err, "--view-size needs a value");
            viewText = args[++k];
        } else if (arg.starts_with("--view-size=")) {
            viewText = arg.substr(std::string_view("--view-size=").size());
        } else if (arg.starts_with("-") && arg.size() > 1) {
            return Usage(err, "unknown option '" + arg + "'");
        } else if (file) {
            return Usage(err, "more than one FILE given");
        } else {
            file = arg;
        }
        if (viewText) {
            viewSize = ParseViewSize(*viewText);
            if (!viewSize) {
                return Usage(err, "--view-size must be a positive number, not '" + *viewText + "'");
            }
        }
    }
    if (!file) return Usage(err, "no FILE given");

    std::string error;
    const std::optional<std::string> content = ReadWholeFile(*file, error);
    if (!content) {
        err << kName << ": " << *file << ": " << error << '\n';
        return kExitBadInput;
    }
    const geometry::ParsedOutline parsed = geometry::ParseOutlineText(*content);
    if (!parsed.Ok()) {
        err << kName << ": " << *file;
        if (parsed.errorLine > 0) err << ':' << parsed.errorLine;
        err << ": " << parsed.error << '\n';
        return kExitBadInput;
    }
    if (parsed.vertices.size() > kMaxVertices) {
        err << kName << ": " << *file << ": " << parsed.vertices.size()
            << " vertices, more than the " << kMaxVertices << " an outline may have\n";
        return kExitBadInput;
    }

    const double view = viewSize ? *viewSize : DefaultViewSize(parsed.vertices);
    const geometry::OutlineSplit split = geometry::TriangulateOutline(
        parsed.vertices, view,
        [&](const TAcadPoint& start, const TAcadPoint& end) {
            out << "diagonal " << Number17(start.x) << ' ' << Number17(start.y) << ' '
                << Number17(end.x) << ' ' << Number17(end.y) << '\n';
        },
        strict ? geometry::SplitMode::Plain : geometry::SplitMode::Completed);
    if (split.success) {
        for (const geometry::TAcadTriangle& t : split.triangles) {
            out << "triangle";
            for (const TAcadPoint& p : {t.p1, t.p2, t.p3}) {
                out << ' ' << Number17(p.x) << ' ' << Number17(p.y);
            }
            out << '\n';
        }
    }
    if (!split.success) {
        out << "failed\n";
    } else if (split.completed) {
        out << "ok completed " << split.completedTriangles << '\n';
    } else {
        out << "ok\n";
    }
    out.flush();
    return split.success ? kExitOk : kExitFailed;
}

}  // namespace tarsel::app
