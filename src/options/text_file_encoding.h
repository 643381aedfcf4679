// The encodings of the small text files a user keeps beside the palette (the settings file and
// the CAD list): which one a file is in, and lines that keep their bytes, so that a file is
// written back in the encoding it came in and lines the program does not change stay exact.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::options {

enum class TextEncodingKind {
    kAnsi,     // a Windows code page without a byte-order mark (codePage says which)
    kUtf8,     // UTF-8 without a byte-order mark (only ever detected off Windows)
    kUtf8Bom,  // UTF-8 after EF BB BF
    kUtf16Le,  // UTF-16 little-endian after FF FE
    kUtf16Be,  // UTF-16 big-endian after FE FF
};

struct TextEncoding {
    TextEncodingKind kind = TextEncodingKind::kUtf8;
    unsigned codePage = 0;  // kAnsi only
    friend bool operator==(const TextEncoding&, const TextEncoding&) = default;
};

// "CP932", "UTF-8", "UTF-8 BOM", "UTF-16LE BOM", "UTF-16BE BOM".
[[nodiscard]] std::string EncodingName(const TextEncoding& encoding);

// A file's encoding from its bytes: a byte-order mark decides; without one the system ANSI
// code page on Windows. Elsewhere there is no ANSI code page to ask, so text that is valid
// UTF-8 is UTF-8 and anything else is taken for Shift-JIS, the code page of a file the
// palette wrote on a Japanese desktop.
[[nodiscard]] TextEncoding DetectTextEncoding(std::string_view bytes);

// What a file the program creates is written in: the ANSI code page on Windows (as every
// program there writes its profile files), UTF-8 elsewhere.
[[nodiscard]] TextEncoding NewFileEncoding();

// The byte-order mark of an encoding ("" for kAnsi and kUtf8).
[[nodiscard]] std::string_view ByteOrderMark(const TextEncoding& encoding);

// One line of a text file: its bytes as they stand (without the line end) and its line end
// ("\r\n", "\r", "\n" in the file's encoding, or empty for a last line that has none).
struct RawLine {
    std::string bytes;
    std::string end;
};

// Splits the bytes after the byte-order mark into lines ended by CR LF, a lone CR or a lone
// LF (in 16-bit units for UTF-16, where a trailing odd byte stays on the last line). No line
// is lost: joining bytes and ends gives the input back.
[[nodiscard]] std::vector<RawLine> SplitRawLines(std::string_view body,
                                                 const TextEncoding& encoding);

// Bytes in an encoding to UTF-8, and back; nullopt when the bytes are not valid in it, or
// the text has a character the encoding cannot hold (never a substitute such as "?").
[[nodiscard]] std::optional<std::string> DecodeText(std::string_view bytes,
                                                    const TextEncoding& encoding);
[[nodiscard]] std::optional<std::string> EncodeText(std::string_view utf8,
                                                    const TextEncoding& encoding);

// The number of UTF-16 units a UTF-8 text takes, the unit in which Windows counts the
// characters of a profile value.
[[nodiscard]] std::size_t Utf16Length(std::string_view utf8);

}  // namespace tarsel::options
