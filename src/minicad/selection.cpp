#include "minicad/selection.h"

#include <cmath>
#include <limits>

#include "minicad/entity_geometry.h"
#include "minicad/entity_names.h"
#include "platform/codepage.h"

namespace tarsel::minicad {
namespace {

// Wildcard matching ignores ASCII letter case, as a CAD's filters do.
std::u32string Decode(std::string_view s) {
    std::u32string out = platform::Utf8CodePoints(s);
    for (char32_t& cp : out)
        if (cp >= 'a' && cp <= 'z') cp = cp - 'a' + 'A';
    return out;
}

bool IsDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Matches one class "[...]" starting at p[i] == '['; sets next to the index after ']'.
// An unterminated class is taken literally as '['.
bool MatchClass(const std::u32string& p, std::size_t i, char32_t c, std::size_t& next) {
    std::size_t j = i + 1;
    bool negate = false;
    if (j < p.size() && p[j] == U'~') {
        negate = true;
        ++j;
    }
    bool found = false;
    bool first = true;
    while (j < p.size() && (p[j] != U']' || first)) {
        char32_t lo = p[j];
        if (lo == U'`' && j + 1 < p.size()) lo = p[++j];
        char32_t hi = lo;
        if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
            hi = p[j + 2];
            j += 2;
        }
        if (c >= lo && c <= hi) found = true;
        ++j;
        first = false;
    }
    if (j >= p.size()) {
        next = i + 1;
        return c == U'[';
    }
    next = j + 1;
    return found != negate;
}

// One pattern element (not "*") at p[pi] against c; next is the index after it.
bool MatchOne(char32_t c, const std::u32string& p, std::size_t pi, std::size_t& next) {
    next = pi + 1;
    switch (p[pi]) {
        case U'?': return true;
        case U'#': return IsDigit(c);
        case U'@': return IsAlpha(c);
        case U'.': return !IsDigit(c) && !IsAlpha(c);
        case U'[': return MatchClass(p, pi, c, next);
        case U'`':
            if (pi + 1 < p.size()) {
                next = pi + 2;
                return c == p[pi + 1];
            }
            return c == U'`';
        default: return c == p[pi];
    }
}

// Iterative matching with backtracking to the last "*" only: every other element takes
// exactly one character, so this is enough and stays linear in practice, whatever the
// pattern holds.
bool MatchFrom(const std::u32string& t, const std::u32string& p, std::size_t pi) {
    std::size_t ti = 0;
    std::size_t starP = std::u32string::npos;
    std::size_t starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == U'*') {
            starP = ++pi;
            starT = ti;
            continue;
        }
        std::size_t next = pi;
        if (pi < p.size() && MatchOne(t[ti], p, pi, next)) {
            ++ti;
            pi = next;
            continue;
        }
        if (starP == std::u32string::npos) return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

// Splits a pattern at commas that are not escaped with "`".
std::vector<std::u32string> Alternatives(const std::u32string& p) {
    std::vector<std::u32string> out(1);
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == U'`' && i + 1 < p.size()) {
            out.back() += p[i];
            out.back() += p[++i];
        } else if (p[i] == U',') {
            out.emplace_back();
        } else {
            out.back() += p[i];
        }
    }
    return out;
}

template <typename Pred>
std::vector<std::int64_t> Collect(const Document& document, const EntityFilter& filter, Pred pred) {
    std::vector<std::int64_t> out;
    for (const Entity& e : document.Entities())
        if (filter.Matches(e) && pred(e)) out.push_back(e.id);
    return out;
}

}  // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
    const std::u32string t = Decode(text);
    for (const std::u32string& alt : Alternatives(Decode(pattern))) {
        if (!alt.empty() && alt[0] == U'~') {
            if (!MatchFrom(t, alt, 1)) return true;
        } else if (MatchFrom(t, alt, 0)) {
            return true;
        }
    }
    return false;
}

bool EntityFilter::IsSupportedCode(std::int16_t code) {
    return code == 0 || code == 1 || code == 2 || code == 8;
}

bool EntityFilter::Matches(const Entity& entity) const {
    for (const Condition& c : conditions) {
        switch (c.code) {
            case 0:
                if (!WildcardMatch(DxfTypeName(entity.data), c.pattern)) return false;
                break;
            case 8:
                if (!WildcardMatch(entity.layer, c.pattern)) return false;
                break;
            case 2: {
                const auto* ins = DataIf<InsertData>(entity.data);
                if (!ins || !WildcardMatch(ins->block, c.pattern)) return false;
                break;
            }
            case 1: {
                const auto* text = DataIf<TextData>(entity.data);
                if (!text || !WildcardMatch(text->text, c.pattern)) return false;
                break;
            }
            default: return false;
        }
    }
    return true;
}

double PickBoxHalfSize(const Document& document) {
    const double view = document.drawing().variables.viewsize;
    return kPickBoxPixels * (view > 0 ? view : 297.0) / kViewHeightPixels;
}

std::optional<std::int64_t> FindEntityAt(const Document& document, const Point3& p,
                                         const EntityFilter& filter) {
    const Box box = Box::Around({p.x, p.y}, PickBoxHalfSize(document));
    const BlockBoxes& blocks = document.Blocks();
    ReferenceBudget budget = ReferenceBudget::For(document.Entities().size(), blocks);
    std::optional<std::int64_t> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const Entity& e : document.Entities()) {
        if (!filter.Matches(e) || !CrossesBox(e, box, blocks, budget)) continue;
        const double d = DistanceToEntity(e, p, blocks, budget);
        if (d <= bestDistance) {  // later entities win ties: they are drawn on top
            bestDistance = d;
            best = e.id;
        }
    }
    return best;
}

std::vector<std::int64_t> SelectCrossing(const Document& document, const Point3& a, const Point3& b,
                                         const EntityFilter& filter) {
    const Box box = BoxFromCorners(a, b);
    const BlockBoxes& blocks = document.Blocks();
    ReferenceBudget budget = ReferenceBudget::For(document.Entities().size(), blocks);
    return Collect(document, filter,
                   [&](const Entity& e) { return CrossesBox(e, box, blocks, budget); });
}

std::vector<std::int64_t> SelectInside(const Document& document, const Point3& a, const Point3& b,
                                       const EntityFilter& filter) {
    const Box box = BoxFromCorners(a, b);
    const BlockBoxes& blocks = document.Blocks();
    return Collect(document, filter, [&](const Entity& e) { return InsideBox(e, box, blocks); });
}

std::vector<std::int64_t> SelectEverything(const Document& document, const EntityFilter& filter) {
    return Collect(document, filter, [](const Entity&) { return true; });
}

std::optional<std::int64_t> SelectLast(const Document& document, const EntityFilter& filter) {
    if (document.Entities().empty()) return std::nullopt;
    const Entity& last = document.Entities().back();
    if (!filter.Matches(last)) return std::nullopt;
    return last.id;
}

}  // namespace tarsel::minicad
