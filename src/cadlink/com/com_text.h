// Text across the COM boundary: UTF-8 inside the program, UTF-16 (BSTR) outside, and the
// system's own words for an HRESULT.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cadlink/com/windows_headers.h"
#include "platform/win32/wide_text.h"

namespace tarsel::cadlink::com {

// Invalid UTF-8 raises AutomationError (type mismatch): a text must never change silently.
[[nodiscard]] std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD; what a server sends is shown, not judged.
using platform::WideToUtf8;

// A BSTR holding utf8; raises AutomationError when the text is not valid UTF-8.
[[nodiscard]] BSTR Utf8ToBstr(std::string_view utf8);
[[nodiscard]] std::string BstrToUtf8(BSTR text);

// The key under which a member name is looked up: COM's names are case-insensitive, and the
// object model's names are ASCII.
[[nodiscard]] std::string MemberKey(std::string_view member);
[[nodiscard]] bool SameMember(std::string_view a, std::string_view b);

// "0x80020006 Unknown name." as the system words it (the number alone when it has no words).
[[nodiscard]] std::string HResultText(HRESULT hr);

// Raises AutomationError(member, hr, HResultText(hr)) when hr is a failure.
void ThrowIfFailed(HRESULT hr, std::string_view member);
// Raises AutomationError (type mismatch) for a value that has no form on the other side; the
// member is filled in by the call that was converting it.
[[noreturn]] void ThrowTypeMismatch(const std::string& what);

}  // namespace tarsel::cadlink::com
