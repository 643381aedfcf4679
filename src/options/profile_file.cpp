#include "options/profile_file.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/codepage.h"
#include "platform/file_write.h"
#include "text/numbers.h"
#include "text/paths.h"

namespace tarsel::options {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// The first kProfileValueMax UTF-16 units of a value; a character that would straddle the
// limit is left out whole.
std::string CapValue(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        const std::size_t width = len == 4 ? 2 : 1;
        if (units + width > kProfileValueMax) break;
        units += width;
        i += len;
    }
    return std::string(utf8.substr(0, i));
}

// "\r\n", "\r" or "\n" as read, whatever the encoding's unit size.
std::string LogicalLineEnd(const std::string& encodedEnd) {
    std::string logical;
    for (const char c : encodedEnd) {
        if (c == '\r' || c == '\n') logical += c;
    }
    return logical;
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (const char c : text.substr(2)) {
            unsigned digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<unsigned>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
            value = value * 16 + digit;
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        // Thirty-two bits as the Windows integer readers give them: 0xFFFFFFFF is -1.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    const auto value = text::ParseInteger(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
    return static_cast<int>(*value);
}

// A value as a profile line must hold it so that the reader gives it back unchanged.
std::string FormatValue(std::string_view value) {
    const bool blankAtEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool looksQuoted =
        value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (blankAtEnd || looksQuoted) return "\"" + std::string(value) + "\"";
    return std::string(value);
}

}  // namespace

ProfileFile::ProfileFile() : encoding_(NewFileEncoding()) {}

ProfileFile::ParsedLine ProfileFile::ParseLine(std::string_view line) {
    ParsedLine parsed;
    const std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() == ';') return parsed;
    if (t.front() == '[') {
        std::string_view name = t.substr(1);
        const auto close = name.rfind(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        parsed.kind = ParsedLine::Kind::kSection;
        parsed.name = std::string(TrimBlanks(name));
        return parsed;
    }
    const auto equals = t.find('=');
    if (equals == std::string_view::npos) return parsed;
    parsed.kind = ParsedLine::Kind::kKey;
    parsed.name = std::string(TrimBlanks(t.substr(0, equals)));
    std::string_view value = TrimBlanks(t.substr(equals + 1));
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    parsed.value = CapValue(value);
    return parsed;
}

ProfileFile ProfileFile::FromBytes(std::string_view bytes) {
    ProfileFile file;
    file.encoding_ = DetectTextEncoding(bytes);
    file.existed_ = true;
    const std::string_view body = bytes.substr(ByteOrderMark(file.encoding_).size());
    for (RawLine& raw : SplitRawLines(body, file.encoding_)) {
        Line line;
        raw.end = LogicalLineEnd(raw.end);
        // Only a line with a "[" or an "=" can be read as anything; the others need no
        // decoding (in UTF-16 the bytes 0x3D and 0x5B stand for other characters too, which
        // only costs a decode).
        const bool mayParse = raw.bytes.find_first_of("[=") != std::string::npos;
        if (const auto text = mayParse ? DecodeText(raw.bytes, file.encoding_) : std::nullopt) {
            // A NUL ends a line for the Windows reader; what follows it is never read.
            line.parsed = ParseLine(std::string_view(*text).substr(0, text->find('\0')));
        }
        line.raw = std::move(raw);
        file.lines_.push_back(std::move(line));
    }
    return file;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
    const std::string name = text::Utf8FromPath(path);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return ProfileFile();
    if (ec) throw ProfileFileError("cannot read " + name + ": " + ec.message());
    if (std::filesystem::is_directory(status)) {
        throw ProfileFileError("cannot read " + name + ": it is a folder");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ProfileFileError("cannot read " + name + ": cannot open it");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ProfileFileError("cannot read " + name + ": read error");
    return FromBytes(bytes);
}

std::optional<std::size_t> ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine& p = lines_[i].parsed;
        if (p.kind == ParsedLine::Kind::kSection && SameName(p.name, section)) return i;
    }
    return std::nullopt;
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].parsed.kind != ParsedLine::Kind::kSection) ++i;
    return i;
}

std::optional<std::size_t> ProfileFile::FindKey(std::string_view section,
                                                std::string_view key) const {
    const auto header = FindSection(section);
    if (!header) return std::nullopt;
    const std::size_t end = SectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const ParsedLine& p = lines_[i].parsed;
        if (p.kind == ParsedLine::Kind::kKey && SameName(p.name, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::ReadValue(std::string_view section,
                                                  std::string_view key) const {
    const auto i = FindKey(section, key);
    if (!i) return std::nullopt;
    return lines_[*i].parsed.value;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    auto value = ReadValue(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
    const auto value = ReadValue(section, key);
    if (!value) return defaultValue;
    return ParseProfileInteger(*value).value_or(defaultValue);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string ProfileFile::DefaultLineEnd() const {
    for (const Line& line : lines_) {
        if (!line.raw.end.empty()) return line.raw.end;
    }
    return "\r\n";
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    const auto refuse = [&](std::string_view why) {
        throw ProfileFileError("the value of " + std::string(section) + "/" + std::string(key) +
                               " cannot be stored in a settings file: " + std::string(why));
    };
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        refuse("it holds a line break or a NUL character");
    }
    if (!platform::IsValidUtf8(value)) refuse("it is not valid text");
    if (Utf16Length(value) > kProfileValueMax) {
        refuse("it is longer than " + std::to_string(kProfileValueMax) + " characters");
    }

    if (const auto i = FindKey(section, key)) {
        Line& line = lines_[*i];
        // An unchanged value keeps its line as the user left it (quotes, blanks, case).
        if (line.parsed.value == value) return;
        line.rewritten = true;
        line.text = line.parsed.name + "=" + FormatValue(value);
        line.parsed.value = std::string(value);
        return;
    }

    const std::string end = DefaultLineEnd();
    Line added;
    added.rewritten = true;
    added.text = std::string(key) + "=" + FormatValue(value);
    added.parsed = {ParsedLine::Kind::kKey, std::string(key), std::string(value)};
    added.raw.end = end;

    if (const auto header = FindSection(section)) {
        // After the section's last key, so that blank lines and comments that close the
        // section stay between it and the next one.
        std::size_t at = *header + 1;
        const std::size_t sectionEnd = SectionEnd(*header);
        for (std::size_t i = *header + 1; i < sectionEnd; ++i) {
            if (lines_[i].parsed.kind == ParsedLine::Kind::kKey) at = i + 1;
        }
        if (lines_[at - 1].raw.end.empty()) lines_[at - 1].raw.end = end;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(added));
        return;
    }

    if (!lines_.empty() && lines_.back().raw.end.empty()) lines_.back().raw.end = end;
    Line header;
    header.rewritten = true;
    header.text = "[" + std::string(section) + "]";
    header.parsed = {ParsedLine::Kind::kSection, std::string(section), {}};
    header.raw.end = end;
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(added));
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

ProfileFile::Bytes ProfileFile::Serialize() const {
    const auto encodeAll = [this](const TextEncoding& to,
                                  bool reencodeKept) -> std::optional<std::string> {
        std::string out(ByteOrderMark(to));
        for (const Line& line : lines_) {
            if (line.rewritten) {
                const auto bytes = EncodeText(line.text, to);
                if (!bytes) return std::nullopt;
                out += *bytes;
            } else if (reencodeKept) {
                const auto text = DecodeText(line.raw.bytes, encoding_);
                if (!text) {
                    throw ProfileFileError(
                        "a line of the settings file is not valid " + EncodingName(encoding_) +
                        " text, so the file cannot be converted to UTF-8 to hold the new values");
                }
                out += *text;
            } else {
                out += line.raw.bytes;
            }
            out += *EncodeText(line.raw.end, to);
        }
        return out;
    };
    if (auto bytes = encodeAll(encoding_, false)) return {std::move(*bytes), encoding_};
    // A character the code page cannot hold (a layer name in another script): the file
    // becomes UTF-8 rather than losing it to a "?".
    const TextEncoding utf8Bom{TextEncodingKind::kUtf8Bom};
    return {*encodeAll(utf8Bom, true), utf8Bom};
}

void ProfileFile::Save(const std::filesystem::path& path) {
    Bytes out;
    try {
        out = Serialize();
    } catch (const ProfileFileError& e) {
        throw ProfileFileError("cannot save " + text::Utf8FromPath(path) + ": " + e.what());
    }
    try {
        platform::WriteFileWhole(path, out.bytes);
    } catch (const platform::FileWriteError& e) {
        throw ProfileFileError(e.what());
    }
    encoding_ = out.encoding;
    existed_ = true;
    // The lines now stand in the file as written.
    *this = FromBytes(out.bytes);
}

}  // namespace tarsel::options
