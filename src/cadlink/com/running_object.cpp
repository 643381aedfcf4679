#include "cadlink/com/running_object.h"

#include "cadlink/com/com_text.h"
#include "cadlink/com/windows_headers.h"
#include "platform/win32/unique_any.h"

namespace tarsel::cadlink::com {

RunningObjectRegistration::RunningObjectRegistration(IUnknown* object, std::string_view progId) {
    const std::wstring wide = Utf8ToWide(progId);
    CLSID clsid;
    ThrowIfFailed(CLSIDFromProgID(wide.c_str(), &clsid), "CLSIDFromProgID");
    // A strong entry keeps the object alive while it is published, as a CAD's own does.
    ThrowIfFailed(RegisterActiveObject(object, clsid, ACTIVEOBJECT_STRONG, &cookie_),
                  "RegisterActiveObject");
}

RunningObjectRegistration::~RunningObjectRegistration() {
    Revoke();
}

void RunningObjectRegistration::Revoke() noexcept {
    if (cookie_ != 0) {
        (void)RevokeActiveObject(cookie_, nullptr);
        cookie_ = 0;
    }
}

void RegisterProgId(std::string_view progId, const CLSID& clsid) {
    const std::wstring key = Utf8ToWide(progId) + L"\\CLSID";
    wchar_t text[64];
    if (StringFromGUID2(clsid, text, 64) == 0) ThrowIfFailed(E_INVALIDARG, "StringFromGUID2");
    platform::UniqueHkey handle;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, handle.put(), nullptr);
    if (status == ERROR_SUCCESS) {
        const auto bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
        status = RegSetValueExW(handle.get(), nullptr, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text), bytes);
    }
    ThrowIfFailed(HRESULT_FROM_WIN32(status), "RegisterProgId");
}

void UnregisterProgId(std::string_view progId) noexcept {
    try {
        const std::wstring key = Utf8ToWide(progId);
        (void)RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    } catch (...) {
        // Nothing to undo.
    }
}

}  // namespace tarsel::cadlink::com
