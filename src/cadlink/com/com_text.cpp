#include "cadlink/com/com_text.h"

#include <climits>
#include <cstdio>
#include <new>
#include <optional>

#include "cadlink/automation.h"
#include "platform/win32/unique_any.h"

namespace tarsel::cadlink::com {

std::wstring Utf8ToWide(std::string_view utf8) {
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        throw AutomationError("", hresult::kInvalidArg, "text too long for the automation call");
    }
    std::optional<std::wstring> wide = platform::Utf8ToWide(utf8, platform::InvalidUtf8::Refuse);
    if (!wide) ThrowTypeMismatch("text is not valid UTF-8");
    return std::move(*wide);
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

bool SameMember(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MemberKey(a) == MemberKey(b);
}

std::string HResultText(HRESULT hr) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(hr));
    std::string result = number;
    platform::UniqueLocalMemory<wchar_t> words;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(words.put()), 0, nullptr);
    if (length > 0 && words) {
        std::wstring_view view(words.get(), length);
        while (!view.empty() &&
               (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
            view.remove_suffix(1);
        if (!view.empty()) result += " " + WideToUtf8(view);
    }
    return result;
}

void ThrowIfFailed(HRESULT hr, std::string_view member) {
    if (FAILED(hr)) throw AutomationError(std::string(member), hr, HResultText(hr));
}

void ThrowTypeMismatch(const std::string& what) {
    throw AutomationError("", hresult::kTypeMismatch, what);
}

}  // namespace tarsel::cadlink::com
