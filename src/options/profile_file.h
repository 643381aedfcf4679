// Profile (INI) files read and written by our own code on every platform, following the rules
// of the Windows profile functions where a user could tell the difference, and keeping every
// byte the program does not own: a user's settings file outlives many versions of the palette.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "options/text_file_encoding.h"

namespace tarsel::options {

// The longest value the reader returns, in UTF-16 units (the Windows reader's buffer less
// its terminating NUL). Longer values are cut there; the writer refuses them.
inline constexpr std::size_t kProfileValueMax = 2047;

// A profile file could not be read or written; the message names the file (when there is one)
// and the reason.
class ProfileFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A profile file in memory: every line as read, sections and keys found in them.
//
// Reading: "[name]" opens a section (blanks inside the brackets dropped; the name ends at the
// last "]"); "key=value" lines follow; a line starting with ";" is a comment. Section and key
// names match case-insensitively (ASCII). Of two sections with one name the first is read, and
// of two keys in it the first. Blanks (space, tab) around key and value are dropped, then one
// pair of enclosing double or single quotes, and a value is cut after kProfileValueMax
// characters. Lines that are not valid in the file's encoding are kept but never read.
//
// Writing changes only the lines of the keys written: a key whose value is unchanged keeps its
// line byte for byte, a changed key is rewritten where it stands (its name spelt as in the
// file), and a new key goes after the last key of its section (a new section at the end).
class ProfileFile {
public:
    // An empty file in the encoding a new file gets (NewFileEncoding).
    ProfileFile();
    // Any bytes at all; lines that do not parse are kept as they are.
    [[nodiscard]] static ProfileFile FromBytes(std::string_view bytes);
    // A missing file gives an empty one (Existed() false); a file that exists but cannot be
    // read raises ProfileFileError, so that it is never replaced by a save built from nothing.
    [[nodiscard]] static ProfileFile Load(const std::filesystem::path& path);

    [[nodiscard]] bool Existed() const { return existed_; }
    // The encoding the file was read in, which a save keeps (see Serialize).
    [[nodiscard]] const TextEncoding& Encoding() const { return encoding_; }

    // The value as the reader returns it; nullopt when the section or key is missing.
    [[nodiscard]] std::optional<std::string> ReadValue(std::string_view section,
                                                       std::string_view key) const;
    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "0x" (up to 32 bits, as a signed integer); anything else
    // (empty, "1e3", "12abc", out of range) gives defaultValue.
    [[nodiscard]] int ReadInteger(std::string_view section, std::string_view key,
                                  int defaultValue) const;
    // True when the integer value is not 0.
    [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key,
                                bool defaultValue) const;

    // Sets a value. A value the reader would give back differently is quoted (blanks at either
    // end, enclosing quotes); one that no profile line can hold (a line break, a NUL, more than
    // kProfileValueMax characters, invalid UTF-8) raises ProfileFileError naming the key and
    // leaves the file unchanged.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    struct Bytes {
        std::string bytes;
        TextEncoding encoding;
    };
    // The whole file in the encoding it was read in. When a written value has a character that
    // code page cannot hold, the whole file becomes UTF-8 with a byte-order mark instead of
    // losing the character; if a kept line is itself not valid in the old code page that
    // cannot be done without changing it, and ProfileFileError is raised.
    [[nodiscard]] Bytes Serialize() const;
    // Serializes and replaces the file whole (temporary file, then rename). On failure the
    // file on disk is as it was and ProfileFileError names the file and the reason.
    void Save(const std::filesystem::path& path);

    // Parses one decoded line; exposed for the tests of the line rules.
    struct ParsedLine {
        enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
        std::string name;   // section or key name
        std::string value;  // key value as returned
    };
    [[nodiscard]] static ParsedLine ParseLine(std::string_view utf8Line);

private:
    struct Line {
        RawLine raw;        // the bytes as read (raw.end holds the logical line end)
        ParsedLine parsed;  // kOther for a line that does not decode
        bool rewritten = false;
        std::string text;  // when rewritten: the new line, UTF-8
    };
    [[nodiscard]] std::optional<std::size_t> FindSection(std::string_view section) const;
    [[nodiscard]] std::size_t SectionEnd(std::size_t header) const;
    [[nodiscard]] std::optional<std::size_t> FindKey(std::string_view section,
                                                     std::string_view key) const;
    [[nodiscard]] std::string DefaultLineEnd() const;

    TextEncoding encoding_;
    bool existed_ = false;
    std::vector<Line> lines_;
};

}  // namespace tarsel::options
