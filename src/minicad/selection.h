// Which entities a selection takes: the filters of a selection set (group codes with CAD
// wildcards), the pick box under a click, crossing and plain windows, all and last.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/document.h"

namespace tarsel::minicad {

// Pattern matching as a CAD's wcmatch does it, ignoring letter case: "," separates
// alternatives, "*" any run, "?" one character, "#" a digit, "@" a letter, "." anything
// not a letter or digit, "[...]" a class ("[~...]" its complement, "a-z" ranges), a
// leading "~" negates an alternative, "`" takes the next character literally.
[[nodiscard]] bool WildcardMatch(std::string_view text, std::string_view pattern);

// The conditions of a selection filter, all of which must hold. Codes: 0 entity type
// ("TEXT,CIRCLE", "*LINE"), 8 layer, 2 block name of a reference, 1 text string.
struct EntityFilter {
    struct Condition {
        std::int16_t code = 0;
        std::string pattern;
    };
    std::vector<Condition> conditions;

    [[nodiscard]] static bool IsSupportedCode(std::int16_t code);
    [[nodiscard]] bool Matches(const Entity& entity) const;
};

// Half the side of the pick box in drawing units: a few pixels of the current view
// (VIEWSIZE spread over the view's height in pixels).
inline constexpr double kPickBoxPixels = 3.0;
inline constexpr double kViewHeightPixels = 800.0;
[[nodiscard]] double PickBoxHalfSize(const Document& document);

// The model-space entity under a click at p: of those the pick box touches and the filter
// passes, the nearest; on a tie the one drawn last (it lies on top).
[[nodiscard]] std::optional<std::int64_t> FindEntityAt(const Document& document, const Point3& p,
                                                       const EntityFilter& filter = {});
// Crossing window: everything the window touches. Corners in any order.
[[nodiscard]] std::vector<std::int64_t> SelectCrossing(const Document& document, const Point3& a,
                                                       const Point3& b,
                                                       const EntityFilter& filter = {});
// Plain window: everything wholly inside.
[[nodiscard]] std::vector<std::int64_t> SelectInside(const Document& document, const Point3& a,
                                                     const Point3& b,
                                                     const EntityFilter& filter = {});
[[nodiscard]] std::vector<std::int64_t> SelectEverything(const Document& document,
                                                         const EntityFilter& filter = {});
// The last entity drawn, when it passes the filter.
[[nodiscard]] std::optional<std::int64_t> SelectLast(const Document& document,
                                                     const EntityFilter& filter = {});

}  // namespace tarsel::minicad
