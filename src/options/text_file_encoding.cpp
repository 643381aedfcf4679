#include "options/text_file_encoding.h"

#include <cstdint>

#include "platform/codepage.h"
#include "text/utf8.h"

namespace tarsel::options {
namespace {

constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomUtf16Le = "\xFF\xFE";
constexpr std::string_view kBomUtf16Be = "\xFE\xFF";

bool IsUtf16(const TextEncoding& e) {
    return e.kind == TextEncodingKind::kUtf16Le || e.kind == TextEncodingKind::kUtf16Be;
}

unsigned Unit16(std::string_view bytes, std::size_t i, bool bigEndian) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
}

void PutUnit16(std::string& out, unsigned unit, bool bigEndian) {
    const char hi = static_cast<char>(unit >> 8);
    const char lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

// Unpaired surrogates make the bytes invalid: they have no UTF-8 form, and passing them on
// would change the file when it is written back.
std::optional<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const unsigned u = Unit16(bytes, i, bigEndian);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 4 > bytes.size()) return std::nullopt;
            const unsigned low = Unit16(bytes, i + 2, bigEndian);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            text::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        } else {
            text::AppendUtf8(out, u);
        }
    }
    return out;
}

std::string EncodeUtf16(std::string_view validUtf8, bool bigEndian) {
    std::string out;
    out.reserve(validUtf8.size() * 2);
    for (const char32_t cp : platform::Utf8CodePoints(validUtf8)) {
        if (cp >= 0x10000) {
            PutUnit16(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            PutUnit16(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            PutUnit16(out, cp, bigEndian);
        }
    }
    return out;
}

}  // namespace

std::string EncodingName(const TextEncoding& encoding) {
    switch (encoding.kind) {
        case TextEncodingKind::kAnsi: return "CP" + std::to_string(encoding.codePage);
        case TextEncodingKind::kUtf8: return "UTF-8";
        case TextEncodingKind::kUtf8Bom: return "UTF-8 BOM";
        case TextEncodingKind::kUtf16Le: return "UTF-16LE BOM";
        case TextEncodingKind::kUtf16Be: return "UTF-16BE BOM";
    }
    return "?";
}

TextEncoding DetectTextEncoding(std::string_view bytes) {
    if (bytes.starts_with(kBomUtf8)) return {TextEncodingKind::kUtf8Bom};
    if (bytes.starts_with(kBomUtf16Le)) return {TextEncodingKind::kUtf16Le};
    if (bytes.starts_with(kBomUtf16Be)) return {TextEncodingKind::kUtf16Be};
#ifdef _WIN32
    return {TextEncodingKind::kAnsi, platform::SystemAnsiCodePage()};
#else
    if (platform::IsValidUtf8(bytes)) return {TextEncodingKind::kUtf8};
    return {TextEncodingKind::kAnsi, platform::kCodePageShiftJis};
#endif
}

TextEncoding NewFileEncoding() {
#ifdef _WIN32
    return {TextEncodingKind::kAnsi, platform::SystemAnsiCodePage()};
#else
    return {TextEncodingKind::kUtf8};
#endif
}

std::string_view ByteOrderMark(const TextEncoding& encoding) {
    switch (encoding.kind) {
        case TextEncodingKind::kUtf8Bom: return kBomUtf8;
        case TextEncodingKind::kUtf16Le: return kBomUtf16Le;
        case TextEncodingKind::kUtf16Be: return kBomUtf16Be;
        default: return {};
    }
}

std::vector<RawLine> SplitRawLines(std::string_view body, const TextEncoding& encoding) {
    std::vector<RawLine> lines;
    if (body.empty()) return lines;
    // Code pages keep CR and LF as single bytes that never occur inside a double-byte
    // character (trail bytes start at 0x40), so a byte scan is exact there too.
    const std::size_t unit = IsUtf16(encoding) ? 2 : 1;
    const bool bigEndian = encoding.kind == TextEncodingKind::kUtf16Be;
    const auto at = [&](std::size_t i) -> unsigned {
        return unit == 1 ? static_cast<unsigned char>(body[i]) : Unit16(body, i, bigEndian);
    };
    std::size_t start = 0;
    std::size_t i = 0;
    while (i + unit <= body.size()) {
        const unsigned c = at(i);
        if (c != '\r' && c != '\n') {
            i += unit;
            continue;
        }
        std::size_t endLength = unit;
        if (c == '\r' && i + 2 * unit <= body.size() && at(i + unit) == '\n') endLength = 2 * unit;
        lines.push_back(
            {std::string(body.substr(start, i - start)), std::string(body.substr(i, endLength))});
        i += endLength;
        start = i;
    }
    if (start < body.size()) lines.push_back({std::string(body.substr(start)), {}});
    return lines;
}

std::optional<std::string> DecodeText(std::string_view bytes, const TextEncoding& encoding) {
    switch (encoding.kind) {
        case TextEncodingKind::kAnsi: return platform::DecodeCodePage(bytes, encoding.codePage);
        case TextEncodingKind::kUtf8:
        case TextEncodingKind::kUtf8Bom:
            if (!platform::IsValidUtf8(bytes)) return std::nullopt;
            return std::string(bytes);
        case TextEncodingKind::kUtf16Le: return DecodeUtf16(bytes, false);
        case TextEncodingKind::kUtf16Be: return DecodeUtf16(bytes, true);
    }
    return std::nullopt;
}

std::optional<std::string> EncodeText(std::string_view utf8, const TextEncoding& encoding) {
    if (!platform::IsValidUtf8(utf8)) return std::nullopt;
    switch (encoding.kind) {
        case TextEncodingKind::kAnsi: return platform::EncodeCodePage(utf8, encoding.codePage);
        case TextEncodingKind::kUtf8:
        case TextEncodingKind::kUtf8Bom: return std::string(utf8);
        case TextEncodingKind::kUtf16Le: return EncodeUtf16(utf8, false);
        case TextEncodingKind::kUtf16Be: return EncodeUtf16(utf8, true);
    }
    return std::nullopt;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t n = 0;
    for (const char32_t cp : platform::Utf8CodePoints(utf8)) n += cp >= 0x10000 ? 2 : 1;
    return n;
}

}  // namespace tarsel::options
