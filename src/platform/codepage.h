// Converting text between UTF-8 (what the program holds) and the Windows code pages that
// older DXF files and the palette's fragment files are written in (CP932 on our target).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarsel::platform {

// Code pages by their Windows numbers: 932 Shift-JIS, 1252 Western European, 65001 UTF-8.
inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageShiftJis = 932;
inline constexpr unsigned kCodePageWestern = 1252;

// Bytes in codePage to UTF-8; nullopt when the bytes are not valid in that code page or
// the code page is not available on this system. Pure ASCII passes through unchanged.
[[nodiscard]] std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage);

// UTF-8 to bytes in codePage; nullopt when the text is not valid UTF-8, a character has no
// exact counterpart in the code page (no best-fit substitutes: a figure must not change), or
// the code page is not available.
[[nodiscard]] std::optional<std::string> EncodeCodePage(std::string_view utf8, unsigned codePage);

// True when this system converts codePage (so a code page a user names can be checked early).
[[nodiscard]] bool IsCodePageAvailable(unsigned codePage);

// The code page a Windows program's "ANSI" texts are in: GetACP() on Windows. Elsewhere there
// is no such setting, and the answer is the code page of the Japanese desktops we serve.
[[nodiscard]] unsigned SystemAnsiCodePage();

// The code points of UTF-8 text, read leniently (a malformed sequence still advances, so text
// that never passed a check can be measured or matched without failing).
[[nodiscard]] std::u32string Utf8CodePoints(std::string_view text);

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
[[nodiscard]] bool IsValidUtf8(std::string_view text);

}  // namespace tarsel::platform
