#include "minicad/dxf_groups.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>

#include "geometry/primitives.h"
#include "minicad/dxf.h"
#include "platform/codepage.h"
#include "text/names.h"
#include "text/numbers.h"
#include "text/utf8.h"

namespace tarsel::minicad {

namespace {
std::string Compose(const std::string& source, int line, const std::string& message) {
    std::string s = source;
    if (line > 0) s += ":" + std::to_string(line);
    return s + ": " + message;
}
}  // namespace

DxfError::DxfError(std::string source, int line, std::string message)
    : std::runtime_error(Compose(source, line, message)),
      source_(std::move(source)),
      line_(line),
      message_(std::move(message)) {}

namespace dxf {
namespace {

constexpr double kRadiansPerDegree = geometry::kDegToRad;

// A value quoted in a message: short, and with anything unprintable shown as '?', so a
// binary file cannot fill a message box with garbage.
std::string Quote(std::string_view raw) {
    constexpr std::size_t kMax = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < raw.size() && i < kMax; ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (raw.size() > kMax) out += "...";
    return out + "'";
}

// Numbers of a group: the locale-free reader every file of the program uses.
bool ParseReal(std::string_view text, double& out) {
    const std::optional<double> v = text::ParseDecimal(text);
    if (v) out = *v;
    return v.has_value();
}

// A group code as nearly every file writes it, right-aligned digits ("  0", " 10", "1001"),
// read without the general parser: there is one on every other line. Anything else is left to
// ParseInteger.
bool ShortCode(std::string_view line, std::int64_t& out) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i == line.size() || line.size() - i > 4) return false;
    std::int64_t v = 0;
    for (; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        v = v * 10 + (line[i] - '0');
    }
    out = v;
    return true;
}

bool ParseInteger(std::string_view text, std::int64_t& out) {
    const std::optional<std::int64_t> v = text::ParseInteger(text);
    if (v) out = *v;
    return v.has_value();
}

// Next code point of possibly broken UTF-8; a byte that starts no valid sequence is U+FFFD.
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i, bool& broken) {
    constexpr std::uint32_t kReplacement = 0xFFFD;
    broken = false;
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80                   ? 1
                      : (c >= 0xC2 && c <= 0xDF) ? 2
                      : (c >= 0xE0 && c <= 0xEF) ? 3
                      : (c >= 0xF0 && c <= 0xF4) ? 4
                                                 : 0;
    if (len == 0 || i + len > s.size() || !platform::IsValidUtf8(s.substr(i, len))) {
        ++i;
        broken = true;
        return kReplacement;
    }
    std::uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at s[i..i+4), or -1.
int Hex4(std::string_view s, std::size_t i) {
    if (i + 4 > s.size()) return -1;
    int v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int h = HexValue(s[i + k]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

// The code page of \M+n: the Asian code pages of old multibyte AutoCAD releases.
unsigned MifCodePage(char n) {
    switch (n) {
        case '1': return 932;   // Japanese
        case '2': return 950;   // Traditional Chinese
        case '3': return 949;   // Korean (Wansung)
        case '4': return 1361;  // Korean (Johab)
        case '5': return 936;   // Simplified Chinese
        default: return 0;
    }
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// How binary DXF stores the value of a code: the DXF reference's ranges, with booleans
// (290-299) in one byte and binary chunks (310-319, 1004) as a length byte and the bytes.
enum class BinaryValue : std::uint8_t { Text, Real, Int8, Int16, Int32, Int64, Chunk };

BinaryValue BinaryValueOfCode(int code, ValueKind kind) {
    if ((code >= 310 && code <= 319) || code == 1004) return BinaryValue::Chunk;
    if (kind == ValueKind::Real) return BinaryValue::Real;
    if (kind == ValueKind::Text) return BinaryValue::Text;
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) ||
        (code >= 440 && code <= 459) || code == 1071)
        return BinaryValue::Int32;
    if (code >= 160 && code <= 169) return BinaryValue::Int64;
    if (code >= 290 && code <= 299) return BinaryValue::Int8;
    return BinaryValue::Int16;
}

// True when s is well-formed Shift-JIS (CP932); doubleByte is set when it holds a
// two-byte character.
bool IsShiftJis(std::string_view s, bool& doubleByte) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            ++i;
            continue;
        }
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        if (!lead || i + 1 >= s.size()) return false;
        const auto t = static_cast<unsigned char>(s[i + 1]);
        if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
        doubleByte = true;
        i += 2;
    }
    // The structure is right; the table decides whether every pair is a character.
    return platform::DecodeCodePage(s, platform::kCodePageShiftJis).has_value();
}
}  // namespace

std::optional<ValueKind> KindOfCode(int code) {
    struct Range {
        int first, last;
        ValueKind kind;
    };
    // Reals and integers by the ranges of the DXF reference; every other code up to 1071 is
    // text (names, handles, and the ranges nobody assigns, which readers pass over).
    static constexpr Range kRanges[] = {
        {10, 59, ValueKind::Real},      {60, 79, ValueKind::Integer},
        {90, 99, ValueKind::Integer},   {110, 149, ValueKind::Real},
        {160, 179, ValueKind::Integer}, {210, 239, ValueKind::Real},
        {270, 299, ValueKind::Integer}, {370, 389, ValueKind::Integer},
        {400, 409, ValueKind::Integer}, {420, 429, ValueKind::Integer},
        {440, 459, ValueKind::Integer}, {460, 469, ValueKind::Real},
        {1010, 1059, ValueKind::Real},  {1060, 1071, ValueKind::Integer},
    };
    if (code < 0 || code > 1071) return std::nullopt;
    for (const Range& r : kRanges)
        if (code >= r.first && code <= r.last) return r.kind;
    return ValueKind::Text;
}

// ---- reading bytes in pieces ----

// The bytes of a file or of content in memory, seen through a window that slides over them:
// content in memory is one window; a file is read a piece at a time into a buffer that only
// grows for a line longer than the piece.
class GroupLexer::Input {
public:
    explicit Input(std::string_view content) : data_(content), size_(content.size()) {}

    Input(const std::filesystem::path& path, const std::string& source, std::uint64_t maxBytes)
        : fromFile_(true), path_(path), source_(source), maxBytes_(maxBytes) {
        Open();
    }

    // At least n bytes from the current position, fewer only at the end of the input.
    std::string_view Peek(std::size_t n) {
        while (data_.size() - pos_ < n && Fill()) {
        }
        return data_.substr(pos_, std::min(n, data_.size() - pos_));
    }
    void Skip(std::size_t n) { pos_ += n; }
    [[nodiscard]] std::uint64_t Offset() const { return dropped_ + pos_; }
    [[nodiscard]] std::uint64_t BytesLeft() const {
        return size_ > Offset() ? size_ - Offset() : 0;
    }

    // The bytes up to the next stop (which is consumed too). terminated is false when the input
    // ends first; false when no byte is left at all. At most kMaxLineBytes are taken.
    bool Until(char stop, std::string_view& out, bool& terminated, std::string_view what) {
        std::size_t scanned = 0;  // bytes after pos_ known to hold no stop
        for (;;) {
            const std::size_t found = data_.find(stop, pos_ + scanned);
            if (found != std::string_view::npos) {
                if (found - pos_ > kMaxLineBytes) TooLong(what);
                out = data_.substr(pos_, found - pos_);
                pos_ = found + 1;
                terminated = true;
                return true;
            }
            scanned = data_.size() - pos_;
            if (scanned > kMaxLineBytes) TooLong(what);
            if (!Fill()) break;
        }
        terminated = false;
        if (pos_ >= data_.size()) return false;
        out = data_.substr(pos_);
        pos_ = data_.size();
        return true;
    }

    void Rewind() {
        if (!fromFile_) {
            pos_ = 0;
            return;
        }
        file_.close();
        buffer_.clear();
        buffer_.shrink_to_fit();
        data_ = {};
        pos_ = 0;
        dropped_ = 0;
        Open();
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;

    void Open() {
        file_.open(path_, std::ios::binary);
        if (!file_) throw DxfError(source_, 0, "cannot open the file");
        std::error_code error;
        if (std::filesystem::is_regular_file(path_, error)) {
            const std::uintmax_t size = std::filesystem::file_size(path_, error);
            if (!error && size > maxBytes_) OverLimit(size);
            if (!error) size_ = size;
        }
    }

    [[noreturn]] void OverLimit(std::uint64_t size) const {
        constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
        throw DxfError(
            source_, 0,
            "the file is " +
                (size == 0 ? std::string("larger") : std::to_string(size / kMiB) + " MiB, larger") +
                " than the " + std::to_string(maxBytes_ / kMiB) + " MiB a drawing may have");
    }

    [[noreturn]] void TooLong(std::string_view what) const {
        throw DxfError(source_, 0,
                       std::string(what) + " longer than " + std::to_string(kMaxLineBytes >> 20) +
                           " MiB at byte " + std::to_string(Offset()) + " (not a drawing?)");
    }

    // More bytes behind the window; false at the end of the input.
    bool Fill() {
        if (!fromFile_ || !file_) return false;
        // What was consumed goes; the rest moves to the front.
        const std::size_t kept = data_.size() - pos_;
        if (pos_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
            dropped_ += pos_;
            pos_ = 0;
        }
        if (buffer_.size() < kept + kPiece) buffer_.resize(kept + kPiece);
        file_.read(buffer_.data() + kept, static_cast<std::streamsize>(buffer_.size() - kept));
        const auto got = static_cast<std::size_t>(file_.gcount());
        if (file_.bad()) throw DxfError(source_, 0, "cannot read the file");
        data_ = std::string_view(buffer_.data(), kept + got);
        if (dropped_ + data_.size() > maxBytes_) OverLimit(0);
        return got > 0;
    }

    bool fromFile_ = false;
    std::filesystem::path path_;
    std::string source_;
    std::uint64_t maxBytes_ = kDefaultMaxFileBytes;
    std::ifstream file_;
    std::string buffer_;
    std::string_view data_;      // the window
    std::size_t pos_ = 0;        // in the window
    std::uint64_t dropped_ = 0;  // bytes of the input before the window
    std::uint64_t size_ = 0;     // of the whole input; 0 when not known (a pipe, a device)
};

GroupLexer::GroupLexer(std::string_view content, std::string sourceName)
    : source_(std::move(sourceName)), input_(std::make_unique<Input>(content)) {
    Start();
}

GroupLexer::GroupLexer(const std::filesystem::path& path, std::string sourceName,
                       std::uint64_t maxBytes)
    : source_(std::move(sourceName)), input_(std::make_unique<Input>(path, source_, maxBytes)) {
    Start();
}

GroupLexer::~GroupLexer() = default;

std::uint64_t GroupLexer::BytesLeft() const {
    return input_->BytesLeft();
}

void GroupLexer::Rewind() {
    input_->Rewind();
    Start();
}

void GroupLexer::Start() {
    binary_ = shortCodes_ = done_ = any_ = false;
    lineNo_ = 0;
    count_ = 0;
    const std::string_view head = input_->Peek(kBinarySentinel.size() + 2);
    if (head.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
        binary_ = true;
        input_->Skip(kBinarySentinel.size());
        const std::string_view first = head.substr(kBinarySentinel.size());
        if (first.empty()) throw DxfError(source_, 0, "the file holds no DXF data");
        // The first group is code 0 (SECTION): in the two-byte form of R13 on, both of its
        // code bytes are zero; in R12's one-byte form the value's first letter follows.
        if (first[0] != 0)
            throw DxfError(source_, 0,
                           "the first group is not group 0 (binary DXF, byte " +
                               std::to_string(kBinarySentinel.size()) + ")");
        shortCodes_ = first.size() > 1 && first[1] != 0;
        return;
    }
    if (head.substr(0, 18) == "AutoCAD Binary DXF")
        throw DxfError(source_, 1, "a binary DXF file whose first line is damaged");
    if (head.substr(0, 3) == "\xEF\xBB\xBF") input_->Skip(3);
}

bool GroupLexer::Next(Group& g) {
    if (done_) return false;
    const bool got = binary_ ? NextBinary(g) : NextAscii(g);
    if (!got) {
        done_ = true;
        if (!any_) throw DxfError(source_, 0, "the file holds no DXF data");
        return false;
    }
    any_ = true;
    ++count_;
    if (g.code == 0 && text::Trim(g.raw) == "EOF")
        done_ = true;  // whatever follows the end marker is not part of the drawing
    return true;
}

// Empty lines are data; CR LF and LF both end a line; comments (999) are dropped. Numbers are
// checked here, once, so no later step sees a malformed one.
bool GroupLexer::NextAscii(Group& g) {
    auto nextLine = [&](std::string_view& line) {
        bool terminated = false;
        if (!input_->Until('\n', line, terminated, "a line")) return false;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNo_;
        return true;
    };
    for (;;) {
        std::string_view codeLine;
        if (!nextLine(codeLine)) return false;
        g = Group{};
        g.line = lineNo_;
        std::int64_t code = 0;
        if (!ShortCode(codeLine, code) &&
            (!ParseInteger(codeLine, code) || code < std::numeric_limits<int>::min() ||
             code > std::numeric_limits<int>::max()))
            throw DxfError(source_, lineNo_, "expected a group code, found " + Quote(codeLine));
        const auto kind = KindOfCode(static_cast<int>(code));
        if (!kind && code != 999)
            throw DxfError(source_, lineNo_, std::to_string(code) + " is not a DXF group code");
        g.code = static_cast<int>(code);
        if (!nextLine(g.raw))
            throw DxfError(source_, lineNo_,
                           "the file ends after group code " + std::to_string(code) +
                               " without its value (truncated?)");
        if (code == 999) continue;
        if (*kind == ValueKind::Real && !ParseReal(g.raw, g.real))
            throw DxfError(
                source_, lineNo_,
                "group " + std::to_string(code) + " needs a finite number, found " + Quote(g.raw));
        if (*kind == ValueKind::Integer && !ParseInteger(g.raw, g.integer))
            throw DxfError(
                source_, lineNo_,
                "group " + std::to_string(code) + " needs an integer, found " + Quote(g.raw));
        return true;
    }
}

// Every file the program reads goes through here, so it must end on any input: each group
// consumes at least one byte, and every read is checked against the end first.
bool GroupLexer::NextBinary(Group& g) {
    for (;;) {
        if (input_->Peek(1).empty()) return false;
        const std::uint64_t start = input_->Offset();
        auto fail = [&](const std::string& message) {
            throw DxfError(source_, 0,
                           message + " (binary DXF, byte " + std::to_string(start) + ")");
        };
        // n bytes, little-endian, or a failure naming what was cut off.
        auto little = [&](std::size_t n, const std::string& what) {
            const std::string_view bytes = input_->Peek(n);
            if (bytes.size() < n) fail("the file ends inside " + what + " (truncated?)");
            std::uint64_t v = 0;
            for (std::size_t k = 0; k < n; ++k)
                v |= std::uint64_t{static_cast<unsigned char>(bytes[k])} << (8 * k);
            input_->Skip(n);
            return v;
        };
        int code = 0;
        if (shortCodes_) {
            code = static_cast<int>(little(1, "a group code"));
            if (code == 255) code = static_cast<int>(little(2, "a group code"));
        } else {
            code = static_cast<int>(little(2, "a group code"));
        }
        const auto kind = KindOfCode(code);
        if (!kind && code != 999) fail(std::to_string(code) + " is not a DXF group code");
        g = Group{};
        g.code = code;
        g.line = static_cast<int>(std::min<std::size_t>(2 * count_ + 1, INT32_MAX));
        value_.clear();
        const std::string what = "the value of group " + std::to_string(code);
        switch (BinaryValueOfCode(code, kind.value_or(ValueKind::Text))) {
            case BinaryValue::Chunk: {
                const std::size_t n = little(1, what);
                const std::string_view bytes = input_->Peek(n);
                if (bytes.size() < n) fail("the file ends inside " + what + " (truncated?)");
                static constexpr char kHex[] = "0123456789ABCDEF";
                for (char c : bytes) {
                    value_ += kHex[static_cast<unsigned char>(c) >> 4];
                    value_ += kHex[static_cast<unsigned char>(c) & 0xF];
                }
                input_->Skip(n);
                break;
            }
            case BinaryValue::Real:
                g.real = std::bit_cast<double>(little(8, what));
                if (!std::isfinite(g.real))
                    fail("group " + std::to_string(code) + " needs a finite number");
                value_ = FormatReal(g.real);
                break;
            case BinaryValue::Int8: g.integer = static_cast<std::int64_t>(little(1, what)); break;
            case BinaryValue::Int16: g.integer = static_cast<std::int16_t>(little(2, what)); break;
            case BinaryValue::Int32: g.integer = static_cast<std::int32_t>(little(4, what)); break;
            case BinaryValue::Int64: g.integer = static_cast<std::int64_t>(little(8, what)); break;
            case BinaryValue::Text: {
                std::string_view bytes;
                bool terminated = false;
                if (!input_->Until('\0', bytes, terminated, "a string") || !terminated)
                    fail("the file ends inside " + what + " (truncated?)");
                // A line end inside a value would break the ASCII form: control characters
                // take the carets ASCII DXF spells them with, which read back the same.
                for (char c : bytes) {
                    if (static_cast<unsigned char>(c) < 0x20) {
                        value_ += '^';
                        value_ += static_cast<char>(c + '@');
                    } else {
                        value_ += c;
                    }
                }
                break;
            }
        }
        if (kind == ValueKind::Integer) value_ = std::to_string(g.integer);
        if (code == 999) continue;
        g.raw = value_;
        return true;
    }
}

std::vector<Group> Lex(std::string_view content, const std::string& sourceName) {
    GroupLexer lexer(content, sourceName);
    if (lexer.Binary()) throw DxfError(sourceName, 1, "binary DXF where only ASCII DXF is read");
    std::vector<Group> groups;
    Group g;
    while (lexer.Next(g)) groups.push_back(g);
    return groups;
}

namespace {
// Every group of lexer, with the values copied into one text the groups then point into.
LexedFile CollectOwned(GroupLexer& lexer) {
    LexedFile file;
    file.binary = lexer.Binary();
    std::string text;
    std::vector<std::size_t> offsets;
    Group g;
    while (lexer.Next(g)) {
        offsets.push_back(text.size());
        text += g.raw;
        file.groups.push_back(g);
    }
    offsets.push_back(text.size());
    file.text = std::make_shared<const std::string>(std::move(text));
    const std::string_view owned(*file.text);
    for (std::size_t i = 0; i < file.groups.size(); ++i)
        file.groups[i].raw = owned.substr(offsets[i], offsets[i + 1] - offsets[i]);
    return file;
}
}  // namespace

LexedFile LexFile(std::string_view content, const std::string& sourceName) {
    GroupLexer lexer(content, sourceName);
    // The values of a binary file exist only in their ASCII form, which the file must own.
    if (lexer.Binary()) return CollectOwned(lexer);
    LexedFile file;
    Group g;
    while (lexer.Next(g)) file.groups.push_back(g);
    return file;
}

LexedFile LexFile(const std::filesystem::path& path, const std::string& sourceName,
                  std::uint64_t maxBytes) {
    GroupLexer lexer(path, sourceName, maxBytes);
    return CollectOwned(lexer);
}

std::string BinaryFromAscii(std::string_view ascii, const std::string& sourceName) {
    const std::vector<Group> groups = Lex(ascii, sourceName);
    // R12 and older have one-byte group codes; $ACADVER comes first in every header.
    bool shortCodes = true;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        if (groups[i].code == 0 && text::Trim(groups[i].raw) == "ENDSEC") break;
        if (groups[i].code != 9 || text::Trim(groups[i].raw) != "$ACADVER") continue;
        const std::string_view version = text::Trim(groups[i + 1].raw);
        shortCodes = !(version.size() == 6 && version.substr(0, 2) == "AC" && version > "AC1009");
        break;
    }
    auto fail = [&](const Group& g, const std::string& message) {
        throw DxfError(
            sourceName, g.line,
            "cannot be saved as binary DXF: group " + std::to_string(g.code) + " " + message);
    };
    std::string out(kBinarySentinel);
    out.reserve(ascii.size());
    auto put = [&out](std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    auto putInt = [&](const Group& g, int bytes) {
        const std::int64_t low = -(std::int64_t{1} << (8 * bytes - 1));
        const std::int64_t high = (std::int64_t{1} << (8 * bytes)) - 1;
        if (g.integer < low || g.integer > high)
            fail(g, "holds " + std::to_string(g.integer) + ", more than " +
                        std::to_string(bytes * 8) + " bits");
        put(static_cast<std::uint64_t>(g.integer), bytes);
    };
    for (const Group& g : groups) {
        if (shortCodes && g.code >= 255) {
            out += '\xFF';
            put(static_cast<std::uint64_t>(g.code), 2);
        } else {
            put(static_cast<std::uint64_t>(g.code), shortCodes ? 1 : 2);
        }
        const ValueKind kind = KindOfCode(g.code).value_or(ValueKind::Text);
        switch (BinaryValueOfCode(g.code, kind)) {
            case BinaryValue::Chunk: {
                const std::string_view hex = text::Trim(g.raw);
                if (hex.size() % 2 != 0 || hex.size() > 2 * 255)
                    fail(g, "needs an even number of up to 510 hex digits");
                out += static_cast<char>(hex.size() / 2);
                for (std::size_t k = 0; k < hex.size(); k += 2) {
                    const int hi = HexValue(hex[k]), lo = HexValue(hex[k + 1]);
                    if (hi < 0 || lo < 0) fail(g, "holds a binary chunk that is not hex");
                    out += static_cast<char>(hi * 16 + lo);
                }
                break;
            }
            case BinaryValue::Real: put(std::bit_cast<std::uint64_t>(g.real), 8); break;
            case BinaryValue::Int8: putInt(g, 1); break;
            case BinaryValue::Int16: putInt(g, 2); break;
            case BinaryValue::Int32: putInt(g, 4); break;
            case BinaryValue::Int64: put(static_cast<std::uint64_t>(g.integer), 8); break;
            case BinaryValue::Text:
                if (g.raw.find('\0') != std::string_view::npos) fail(g, "holds a NUL byte");
                out.append(g.raw);
                out += '\0';
                break;
        }
    }
    return out;
}

unsigned CodePageFromName(std::string_view name) {
    const std::string upper = text::UpperAscii(text::Trim(name));
    if (upper == "UTF8" || upper == "UTF-8") return platform::kCodePageUtf8;
    for (std::string_view prefix : {"ANSI_", "DOS"}) {
        if (upper.rfind(prefix, 0) != 0) continue;
        unsigned number = 0;
        const std::string_view digits = std::string_view(upper).substr(prefix.size());
        if (digits.empty()) return 0;
        for (char c : digits) {
            if (c < '0' || c > '9' || number > 100000) return 0;
            number = number * 10 + static_cast<unsigned>(c - '0');
        }
        return number != 0 && platform::IsCodePageAvailable(number) ? number : 0;
    }
    return 0;
}

std::string CodePageName(unsigned codePage) {
    if (codePage == 0 || codePage == platform::kCodePageUtf8) return "ANSI_1252";
    // The OEM code pages of DOS, which $DWGCODEPAGE names apart from the Windows ones.
    static constexpr unsigned kDos[] = {437, 720, 737, 775, 850, 852, 855, 857,
                                        860, 861, 862, 863, 864, 865, 866, 869};
    const bool dos = std::find(std::begin(kDos), std::end(kDos), codePage) != std::end(kDos);
    return (dos ? "DOS" : "ANSI_") + std::to_string(codePage);
}

void CodePageGuess::Add(const Group& g) {
    if ((!utf8_ && !shiftJis_) || KindOfCode(g.code) != ValueKind::Text ||
        (g.code >= 310 && g.code <= 319) || g.code == 1004 || IsAscii(g.raw))
        return;
    nonAscii_ = true;
    utf8_ = utf8_ && platform::IsValidUtf8(g.raw);
    shiftJis_ = shiftJis_ && IsShiftJis(g.raw, doubleByte_);
}

unsigned CodePageGuess::Result() const {
    if (!nonAscii_) return 0;
    // Text in one of the others is almost never valid UTF-8 by chance; Shift-JIS's
    // half-width katakana share their bytes with Western accented letters, so only its
    // two-byte characters tell it apart.
    if (utf8_) return platform::kCodePageUtf8;
    if (shiftJis_ && doubleByte_) return platform::kCodePageShiftJis;
    return platform::kCodePageWestern;
}

unsigned GuessCodePage(std::span<const Group> groups) {
    CodePageGuess guess;
    for (const Group& g : groups) guess.Add(g);
    return guess.Result();
}

bool RoundTrips(std::string_view utf8, unsigned codePage) {
    if (IsAscii(utf8)) return true;
    if (codePage == platform::kCodePageUtf8) return platform::IsValidUtf8(utf8);
    const auto bytes = platform::EncodeCodePage(utf8, codePage);
    return bytes && platform::DecodeCodePage(*bytes, codePage) == utf8;
}

std::string EncodeInCodePage(std::string_view utf8, unsigned codePage) {
    const std::string carets = EncodeText(utf8, false);
    if (IsAscii(carets)) return carets;
    if (codePage == 0 || codePage == platform::kCodePageUtf8) return EncodeText(utf8, true);
    if (auto bytes = platform::EncodeCodePage(carets, codePage);
        bytes && platform::DecodeCodePage(*bytes, codePage) == carets)
        return std::move(*bytes);
    std::string out;
    for (std::size_t i = 0; i < carets.size();) {
        const auto lead = static_cast<unsigned char>(carets[i]);
        const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view ch = std::string_view(carets).substr(i, len);
        i += len;
        if (lead < 0x80) {
            out += ch;
            continue;
        }
        auto bytes = platform::EncodeCodePage(ch, codePage);
        if (bytes && platform::DecodeCodePage(*bytes, codePage) == ch)
            out += *bytes;
        else
            out += EncodeText(ch, true);
    }
    return out;
}

std::string FormatReal(double value) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, ec == std::errc() ? p : buf);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

double RadiansFromDegrees(double degrees) {
    return degrees * kRadiansPerDegree;
}

std::string DegreesText(double radians) {
    const double guess = radians / kRadiansPerDegree;
    // The quotient may miss by an ulp or two; search its neighbours for the degree values
    // that convert back exactly and keep the shortest text ("30.0", not "29.999999999999996").
    // Not every double is the product of a double and the constant, so some radians have no
    // exact degree value at all; they get the nearest one, an ulp away.
    std::string best;
    double nearest = guess;
    auto consider = [&](double d) {
        const double back = RadiansFromDegrees(d);
        if (std::fabs(back - radians) < std::fabs(RadiansFromDegrees(nearest) - radians))
            nearest = d;
        if (back != radians) return;
        std::string s = FormatReal(d);
        if (best.empty() || s.size() < best.size()) best = std::move(s);
    };
    consider(guess);
    double down = guess, up = guess;
    for (int i = 0; i < 8; ++i) {
        down = std::nextafter(down, -std::numeric_limits<double>::infinity());
        up = std::nextafter(up, std::numeric_limits<double>::infinity());
        consider(down);
        consider(up);
    }
    return best.empty() ? FormatReal(nearest) : best;
}

std::optional<std::string> DecodeText(std::string_view s, bool unicodeEscapes) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '^' && i + 1 < s.size()) {
            const char n = s[i + 1];
            if (n == ' ') {
                out += '^';
                i += 2;
                continue;
            }
            if (n >= '@' && n <= '_') {
                out += static_cast<char>(n - '@');
                i += 2;
                continue;
            }
        }
        if (c == '\\' && unicodeEscapes && i + 2 < s.size() && s[i + 2] == '+') {
            if (s[i + 1] == 'U') {
                int unit = Hex4(s, i + 3);
                if (unit >= 0) {
                    std::uint32_t cp = static_cast<std::uint32_t>(unit);
                    std::size_t used = 7;
                    if (cp >= 0xD800 && cp <= 0xDBFF && s.substr(i + 7, 3) == "\\U+") {
                        const int low = Hex4(s, i + 10);
                        if (low >= 0xDC00 && low <= 0xDFFF) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) +
                                 (static_cast<std::uint32_t>(low) - 0xDC00);
                            used = 14;
                        }
                    }
                    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half of a pair
                    text::AppendUtf8(out, cp);
                    i += used;
                    continue;
                }
            } else if (s[i + 1] == 'M' && i + 3 < s.size()) {
                const unsigned codePage = MifCodePage(s[i + 3]);
                const int bytes = Hex4(s, i + 4);
                if (codePage != 0 && bytes >= 0) {
                    std::string mb;
                    if (bytes > 0xFF) mb += static_cast<char>(bytes >> 8);
                    mb += static_cast<char>(bytes & 0xFF);
                    auto decoded = platform::DecodeCodePage(mb, codePage);
                    if (!decoded) return std::nullopt;
                    out += *decoded;
                    i += 8;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::string EncodeText(std::string_view utf8, bool asciiOnly) {
    std::string out;
    out.reserve(utf8.size());
    auto escape = [&out](std::uint32_t unit) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        out += "\\U+";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        bool broken = false;
        const std::uint32_t cp = NextCodePoint(utf8, i, broken);
        if (cp < 0x20) {
            out += '^';
            out += static_cast<char>(cp + '@');
        } else if (cp == '^') {
            out += "^ ";
        } else if (cp == '\\' && utf8.size() > i + 1 && utf8[i + 1] == '+' &&
                   (utf8[i] == 'U' || utf8[i] == 'M')) {
            escape(cp);
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (!asciiOnly) {
            if (broken)
                text::AppendUtf8(out, cp);
            else
                out.append(utf8.substr(start, i - start));
        } else if (cp >= 0x10000) {
            escape(0xD800 + ((cp - 0x10000) >> 10));
            escape(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            escape(cp);
        }
    }
    return out;
}

}  // namespace dxf

unsigned DxfCodePage(std::string_view name) {
    return dxf::CodePageFromName(name);
}

}  // namespace tarsel::minicad
