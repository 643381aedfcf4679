// The tag on a triangle's number text — the only way the system recognises its triangles in a
// drawing — and the DXF fragment through which a tagged text reaches CADs that need it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "annotation/label_style.h"
#include "cadlink/automation.h"
#include "geometry/primitives.h"

namespace tarsel::annotation {

inline constexpr const char* kTagAppName = "LT_TARSEL";
inline constexpr const char* kFragmentBlockPrefix = "TARSEL_";

// The three side lengths of a triangle in its point order, raw drawing units.
struct TriangleTag {
    double d1 = 0;  // P0-P1
    double d2 = 0;  // P1-P2
    double d3 = 0;  // P2-P0
    friend bool operator==(const TriangleTag&, const TriangleTag&) = default;
};
[[nodiscard]] TriangleTag TagOf(const geometry::TAcadTriangle& triangle);

// The two SetXdata arrays, bounds 0..1: Int16 {1001, 1010} and Variant {"LT_TARSEL",
// R8[0..2]{d1, d2, d3}}.
struct TagXdata {
    cadlink::Variant types;
    cadlink::Variant values;
};
[[nodiscard]] TagXdata TriangleTagXdata(const TriangleTag& tag);
// Reads the tag back from GetXdata's out arrays: nullopt unless the types are a 16-bit integer
// array and the values a Variant array whose second element is an array of three numbers.
[[nodiscard]] std::optional<TriangleTag> ParseTriangleTag(const cadlink::Variant& types,
                                                          const cadlink::Variant& values);

// True when the target takes the fragment road: its ProgID contains "PCAD" (case-sensitive).
[[nodiscard]] bool UsesFragmentRoad(std::string_view targetProgId);

// The fragment's lines (without line ends), a DXF R12 file holding the one tagged TEXT.
// rotation is in radians, as the direct road's Rotation; group 50 carries it in degrees,
// which is how DXF reads that group, so both roads show the same angle.
[[nodiscard]] std::vector<std::string> BuildTagFragment(std::string_view layer,
                                                        const geometry::TAcadPoint& labelPoint,
                                                        int number, double height, double rotation,
                                                        const TriangleTag& tag);

// The fragment could not be written (encoding or file system). Ends the command quietly,
// like a failing automation call; what was inserted before stays.
class FragmentFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file as written: CR LF after every line (the last too), no BOM, the text in codePage.
// Raises FragmentFileError when a line has no exact counterpart in that code page.
[[nodiscard]] std::string EncodeFragment(const std::vector<std::string>& lines, unsigned codePage);

// Writes "TARSEL_<n>.dxf" into the target's fragment folder (whole, through a temporary file),
// has the CAD insert it exploded, waits for the CAD, deletes the block the insertion left and
// returns the drawing's last entity id (0 when none).
std::int64_t InsertTagFragment(const LabelTarget& target, const std::vector<std::string>& lines);

}  // namespace tarsel::annotation
