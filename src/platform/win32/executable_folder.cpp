#include "platform/win32/executable_folder.h"

#include <windows.h>

#include <string>

namespace tarsel::platform {

std::filesystem::path ExecutablePath() {
    // GetModuleFileNameW cuts a longer path to the buffer without saying so, except by
    // filling it: grow until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path);
        }
        path.resize(path.size() * 2);
    }
}

std::filesystem::path ExecutableFolder() {
    return ExecutablePath().parent_path();
}

}  // namespace tarsel::platform
