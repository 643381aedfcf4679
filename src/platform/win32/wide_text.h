// UTF-8 (what the program holds) to UTF-16 (what Windows and COM take) and back: the one
// place the Windows side converts text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarsel::platform {

// What happens to bytes that are not UTF-8.
enum class InvalidUtf8 {
    Refuse,   // no text at all: a text that must not change silently
    Replace,  // U+FFFD in their place: a text that is only shown
};

// nullopt when the text is refused, or is longer than the system's conversion takes.
[[nodiscard]] std::optional<std::wstring> Utf8ToWide(std::string_view utf8, InvalidUtf8 invalid);
// Unpaired surrogates become U+FFFD: what another program sends is shown, not judged.
[[nodiscard]] std::string WideToUtf8(std::wstring_view wide);

}  // namespace tarsel::platform
