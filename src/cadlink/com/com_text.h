// Text across the COM boundary: UTF-8 inside the program, UTF-16 (BSTR) outside, and the
// system's own words for an HRESULT.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

// Invalid UTF-8 raises AutomationError (type mismatch): a text must never change silently.
[[nodiscard]] std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD; what a server sends is shown, not judged.
[[nodiscard]] std::string WideToUtf8(std::wstring_view wide);

// A BSTR holding utf8; raises AutomationError when the text is not valid UTF-8.
[[nodiscard]] BSTR Utf8ToBstr(std::string_view utf8);
[[nodiscard]] std::string BstrToUtf8(BSTR text);

// The key under which a member name is looked up: COM's names are case-insensitive, and the
// object model's names are ASCII.
[[nodiscard]] std::string MemberKey(std::string_view member);

// "0x80020006 Unknown name." as the system words it (the number alone when it has no words).
[[nodiscard]] std::string HResultText(HRESULT hr);

// Raises AutomationError(member, hr, HResultText(hr)) when hr is a failure.
void ThrowIfFailed(HRESULT hr, std::string_view member);

}  // namespace tarsel::cadlink::com
