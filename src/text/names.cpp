#include "text/names.h"

namespace tarsel::text {
namespace {

constexpr char UpperAsciiChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperAsciiChar(c);
    return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
    }
    return true;
}

}  // namespace tarsel::text
