#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace tarsel::platform {

std::optional<std::wstring> Utf8ToWide(std::string_view utf8, InvalidUtf8 invalid) {
    if (utf8.empty()) return std::wstring();
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const DWORD flags = invalid == InvalidUtf8::Refuse ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace tarsel::platform
