// The group layer under minicad's DXF reader and writer: the value kind of every group code,
// the lexer that cuts a file into (code, value) pairs, a pull cursor over them, and the number
// and string codecs both directions share, so what is written reads back bit for bit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::minicad::dxf {

// What the value line of a group holds, decided by the code alone.
enum class ValueKind : std::uint8_t { Text, Real, Integer };

// nullopt for codes that are not DXF group codes at all.
[[nodiscard]] std::optional<ValueKind> KindOfCode(int code);

struct Group {
    int code = 0;
    int line = 0;              // 1-based line of the group code
    std::string_view raw;      // the value line without its line end; strings untouched
    double real = 0;           // parsed when the code's kind is Real
    std::int64_t integer = 0;  // parsed when the code's kind is Integer
};

// Cuts content into groups. Empty lines are data; CR LF and LF both end a line; comments
// (999) are dropped. Numbers are checked here, once, so no later step sees a malformed one.
// Throws DxfError naming sourceName and the line. ASCII files only: see LexFile.
[[nodiscard]] std::vector<Group> Lex(std::string_view content, const std::string& sourceName);

// What every binary DXF file starts with.
inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// The groups of a file, ASCII or binary. Groups of a binary file look exactly like those of
// its ASCII twin: raw is the value as ASCII DXF writes it (reals in FormatReal's form, binary
// chunks in upper-case hex, control characters of strings as carets), and line is the line
// the group code would have there. Their raw values live in text, which this object owns;
// those of an ASCII file point into content, which the caller keeps.
struct LexedFile {
    std::vector<Group> groups;
    bool binary = false;
    std::shared_ptr<const std::string> text;
};

// Lex for ASCII content, and binary DXF read group by group: R12's one-byte group codes (255
// escaping a two-byte one) or the two-byte codes of R13 on, values by the code's range.
// Truncated or garbled binary input throws DxfError naming the byte offset.
[[nodiscard]] LexedFile LexFile(std::string_view content, const std::string& sourceName);
// The same for a file read in pieces (with the limits of GroupLexer); every raw value lives in
// text.
[[nodiscard]] LexedFile LexFile(const std::filesystem::path& path, const std::string& sourceName,
                                std::uint64_t maxBytes);

// The most bytes a drawing may have unless the caller says otherwise, and the longest line (or
// binary string) any file may hold: a drawing from an unknown sender must not make the program
// allocate what the machine does not have before anything is decided.
inline constexpr std::uint64_t kDefaultMaxFileBytes = std::uint64_t{2} << 30;  // 2 GiB
inline constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;            // 16 MiB

// Groups pulled one at a time, ASCII or binary, each exactly as LexFile gives it, so that a
// reader never holds more than the object it is building. Bytes come from memory or from a
// file read in pieces.
class GroupLexer {
public:
    // content outlives the lexer; raw values of an ASCII file point into it.
    GroupLexer(std::string_view content, std::string sourceName);
    // The file is read in pieces; more than maxBytes is refused, before reading when its size
    // is known, otherwise as soon as they are read.
    GroupLexer(const std::filesystem::path& path, std::string sourceName, std::uint64_t maxBytes);
    ~GroupLexer();
    GroupLexer(const GroupLexer&) = delete;
    GroupLexer& operator=(const GroupLexer&) = delete;

    // The next group; false after the end marker or at the end of the bytes. g.raw is valid
    // until the next call (for ASCII content in memory, as long as the content). Throws
    // DxfError for malformed input, naming the line or the byte offset.
    bool Next(Group& g);
    [[nodiscard]] bool Binary() const { return binary_; }
    [[nodiscard]] const std::string& Source() const { return source_; }
    // Back to the first group, to read the input again.
    void Rewind();
    // The bytes not yet read, when the input's size is known (0 otherwise): enough to size
    // what the rest will fill, never to decide anything.
    [[nodiscard]] std::uint64_t BytesLeft() const;

private:
    class Input;
    bool NextAscii(Group& g);
    bool NextBinary(Group& g);
    void Start();

    std::string source_;
    std::unique_ptr<Input> input_;
    bool binary_ = false;
    bool shortCodes_ = false;  // R12's one-byte binary group codes
    bool done_ = false;
    bool any_ = false;  // a group was given
    int lineNo_ = 0;
    std::size_t count_ = 0;  // groups given
    std::string value_;      // a binary group's value in its ASCII form
};

// The code page judgement of GuessCodePage, fed one group at a time.
class CodePageGuess {
public:
    void Add(const Group& g);
    // As GuessCodePage.
    [[nodiscard]] unsigned Result() const;

private:
    bool nonAscii_ = false, utf8_ = true, shiftJis_ = true, doubleByte_ = false;
};

// Binary DXF holding the groups of ascii (a whole file, as the writer makes it), with R12's
// group codes when its $ACADVER is AC1009 or older. Throws DxfError for a value binary DXF
// cannot hold (a binary chunk over 255 bytes, an integer too wide for its code).
[[nodiscard]] std::string BinaryFromAscii(std::string_view ascii, const std::string& sourceName);

// Code pages by their $DWGCODEPAGE names: "ANSI_1252", "ANSI_932", "DOS850", "UTF8" (any
// case). 0 for a name that is none, or one this system cannot convert.
[[nodiscard]] unsigned CodePageFromName(std::string_view name);
// The $DWGCODEPAGE name of a code page ("ANSI_932"); "ANSI_1252" for UTF-8 and 0, which old
// files cannot declare.
[[nodiscard]] std::string CodePageName(unsigned codePage);

// The code page of a file before R2007 that does not declare one, judged from the bytes of its
// string values: UTF-8 when every non-ASCII string is valid UTF-8; Shift-JIS when double-byte
// sequences are present and every non-ASCII string is valid Shift-JIS; ANSI_1252 otherwise.
// 0 when every string is ASCII, so that nothing was decided.
[[nodiscard]] unsigned GuessCodePage(std::span<const Group> groups);

// True when every character of utf8 comes back unchanged through codePage (CP932 maps some,
// like "£" and "〜", only one way).
[[nodiscard]] bool RoundTrips(std::string_view utf8, unsigned codePage);

// Text for a value line of a file before R2007 in codePage: carets as EncodeText, characters
// in codePage as its bytes, and every character that would not read back exactly as
// \U+XXXX, so what is written reads back as it was.
[[nodiscard]] std::string EncodeInCodePage(std::string_view utf8, unsigned codePage);

// Numbers as text: shortest form that reads back to the same double, always with a decimal
// point or exponent so every DXF reader takes it for a real. Never depends on the locale.
[[nodiscard]] std::string FormatReal(double value);

// DXF keeps angles in degrees, minicad in radians. Degrees read from a file are written back
// as the same text, and radians computed here read back as the same double, except the few
// that no double number of degrees converts to exactly: those come back within one ulp.
[[nodiscard]] double RadiansFromDegrees(double degrees);
[[nodiscard]] std::string DegreesText(double radians);

// Decodes a string value that is already UTF-8: carets (a control character is written as
// '^' and the character plus 64, "^J" for a line feed, and a caret as "^ "), and, when
// unicodeEscapes, \U+XXXX and \M+nXXXX (n chooses the Asian code page of a multibyte
// character), which a CAD shows as the character in files of every version.
// nullopt when an \M+ character is not valid in its code page.
[[nodiscard]] std::optional<std::string> DecodeText(std::string_view utf8, bool unicodeEscapes);

// Text for a value line: carets for control characters; when asciiOnly (files before R2007)
// every character beyond ASCII as \U+XXXX with upper-case hex (surrogate pairs beyond the
// BMP). A backslash that would start an escape is itself escaped, so the reader gives back
// exactly the input. Invalid UTF-8 bytes become U+FFFD rather than an unreadable file.
[[nodiscard]] std::string EncodeText(std::string_view utf8, bool asciiOnly);

}  // namespace tarsel::minicad::dxf
