#include "cadlink/com/com_text.h"

#include <cstdio>
#include <new>

#include "cadlink/automation.h"

namespace tarsel::cadlink::com {

std::wstring Utf8ToWide(std::string_view utf8) {
    if (utf8.empty()) return {};
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        throw AutomationError("", hresult::kInvalidArg, "text too long for the automation call");
    }
    const int size = static_cast<int>(utf8.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) {
        throw AutomationError("", hresult::kTypeMismatch, "text is not valid UTF-8");
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

BSTR Utf8ToBstr(std::string_view utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!result) throw std::bad_alloc();
    return result;
}

std::string BstrToUtf8(BSTR text) {
    if (!text) return {};
    return WideToUtf8(std::wstring_view(text, SysStringLen(text)));
}

std::string MemberKey(std::string_view member) {
    std::string key(member);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::string HResultText(HRESULT hr) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(hr));
    std::string result = number;
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    if (length > 0 && words) {
        std::wstring_view view(words, length);
        while (!view.empty() &&
               (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
            view.remove_suffix(1);
        if (!view.empty()) result += " " + WideToUtf8(view);
    }
    if (words) LocalFree(words);
    return result;
}

void ThrowIfFailed(HRESULT hr, std::string_view member) {
    if (FAILED(hr)) throw AutomationError(std::string(member), hr, HResultText(hr));
}

}  // namespace tarsel::cadlink::com
