// The profile reader's cases, shared by the test of our reader and by the Windows test that
// reads the same files with the system's profile functions and reports where the two differ.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarsel::options::testing {

inline constexpr int kIntDefault = 77;

enum class Needs {
    kNothing,
    kShiftJisFallback,  // bytes without a byte-order mark that only Shift-JIS reads right
    kUtf8Fallback,      // UTF-8 without a byte-order mark: read as such only off Windows
};

struct ReaderCase {
    std::string name;
    std::string bytes;  // the whole file
    std::string section;
    std::string key;
    std::optional<std::string> value;  // nullopt: the key is missing
    int integer;                       // ReadInteger with kIntDefault
    Needs needs = Needs::kNothing;
};

inline std::string Utf16Bytes(const std::u16string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

inline std::vector<ReaderCase> ReaderCases() {
    const std::string a2047(2047, 'a');
    const std::string a2048(2048, 'a');
    const int d = kIntDefault;
    using std::string;
    static constexpr char kWithNul[] = "[S]\r\nK=ab\0cd\r\nL=2\r\n";
    const string withNul(kWithNul, sizeof kWithNul - 1);
    return {
        {"blanks around key and value", "[S]\r\n  K \t=  v a l \t\r\n", "S", "K", "v a l", d},
        {"double quotes", "[S]\r\nK=\" x \"\r\n", "S", "K", " x ", d},
        {"single quotes", "[S]\r\nK=' x '\r\n", "S", "K", " x ", d},
        {"quotes then blanks", "[S]\r\nK= \"5\" \r\n", "S", "K", "5", 5},
        {"unmatched quotes", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'", d},
        {"a lone quote", "[S]\r\nK=\"\r\n", "S", "K", "\"", d},
        {"only the outer pair goes", "[S]\r\nK=\"a\"b\"\r\n", "S", "K", "a\"b", d},
        {"empty quotes", "[S]\r\nK=\"\"\r\n", "S", "K", "", d},
        {"hexadecimal", "[S]\r\nK=0x1F\r\n", "S", "K", "0x1F", 31},
        {"hexadecimal capital X", "[S]\r\nK=0X1f\r\n", "S", "K", "0X1f", 31},
        {"hexadecimal 32 bits", "[S]\r\nK=0xFFFFFFFF\r\n", "S", "K", "0xFFFFFFFF", -1},
        {"hexadecimal past 32 bits", "[S]\r\nK=0x100000000\r\n", "S", "K", "0x100000000", d},
        {"0x alone", "[S]\r\nK=0x\r\n", "S", "K", "0x", d},
        {"negative", "[S]\r\nK=-3\r\n", "S", "K", "-3", -3},
        {"plus sign", "[S]\r\nK=+5\r\n", "S", "K", "+5", 5},
        {"exponent", "[S]\r\nK=1e3\r\n", "S", "K", "1e3", d},
        {"trailing letters", "[S]\r\nK=12abc\r\n", "S", "K", "12abc", d},
        {"decimal fraction", "[S]\r\nK=1.5\r\n", "S", "K", "1.5", d},
        {"past 32 bits", "[S]\r\nK=4294967296\r\n", "S", "K", "4294967296", d},
        {"words", "[S]\r\nK=true\r\n", "S", "K", "true", d},
        {"empty value", "[S]\r\nK=\r\n", "S", "K", "", d},
        {"2047 characters", "[S]\r\nK=" + a2047 + "\r\n", "S", "K", a2047, d},
        {"2048 characters", "[S]\r\nK=" + a2048 + "\r\n", "S", "K", a2047, d},
        {"duplicate keys: the first", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1", 1},
        {"duplicate sections: the first", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "1", 1},
        {"key only in a second section of the name", "[S]\r\nA=1\r\n[T]\r\n[S]\r\nK=2\r\n", "S",
         "K", std::nullopt, d},
        {"key before any section", "K=1\r\n[S]\r\nA=2\r\n", "S", "K", std::nullopt, d},
        {"key before the section it is asked in", "K=1\r\n[S]\r\nK=2\r\n", "S", "K", "2", 2},
        {"names ignore case", "[lt_TARSEL]\r\nkeTA1=4\r\n", "LT_Tarsel", "Keta1", "4", 4},
        {"blanks inside the brackets", "[ S ]\r\nK=4\r\n", "S", "K", "4", 4},
        {"comment line", "[S]\r\n;K=1\r\nK=2\r\n", "S", "K", "2", 2},
        {"line without an equals sign", "[S]\r\nK\r\n", "S", "K", std::nullopt, d},
        {"CR only", "[S]\rA=1\rK=2\r", "S", "K", "2", 2},
        {"LF only", "[S]\nA=1\nK=2", "S", "K", "2", 2},
        {"NUL ends the value", withNul, "S", "K", "ab", d},
        {"NUL does not hide the next line", withNul, "S", "L", "2", 2},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[S]\r\nK=値\r\n", "S", "K", "値", d},
        {"UTF-16LE", Utf16Bytes(u"[S]\r\nK=値 \r\nN=12\r\n", false), "S", "K", "値", d},
        {"UTF-16BE", Utf16Bytes(u"[S]\r\nN=12\r\n", true), "S", "N", "12", 12},
        {"Shift-JIS", "[S]\r\nK=\x92\x6C\r\n", "S", "K", "値", d, Needs::kShiftJisFallback},
        {"UTF-8 without a byte-order mark", "[S]\r\nK=値\r\n", "S", "K", "値", d,
         Needs::kUtf8Fallback},
    };
}

}  // namespace tarsel::options::testing
