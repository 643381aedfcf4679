// Test support: Tarsel2025.exe started in a folder of the test and driven from this process
// by its windows' messages. Every wait polls with a bound.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <cstddef>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "palette/win32/control_ids.h"
#include "platform/win32/unique_any.h"
#include "server_process.h"

namespace tarsel::palette::win32::testing {

namespace fs = std::filesystem;
using cadlink::com::testing::ServerProcess;

inline constexpr DWORD kTimeoutMs = 20000;

// Polls until the condition holds; false when it did not within the bound.
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = kTimeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        Sleep(10);
    }
    return true;
}

inline std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

inline void SetText(HWND window, const wchar_t* text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

inline bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Tarsel2025.exe copied into a folder of the test (its settings and CAD list live beside it)
// and started; ready once its palette is visible and idle. Another program that shows a
// window of the palette's class may stand in (the start-up probe's baseline).
class PaletteProcess {
public:
    explicit PaletteProcess(const fs::path& folder, const wchar_t* program = L"Tarsel2025.exe") {
        const fs::path exe = folder / program;
        fs::copy_file(ServerProcess::Sibling(program), exe, fs::copy_options::overwrite_existing);
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.wstring().c_str(), &startup, &started)) {
            throw std::runtime_error("cannot start Tarsel2025.exe");
        }
        process_ = platform::UniqueHandle::Adopt(started.hProcess);
        CloseHandle(started.hThread);
        processId_ = started.dwProcessId;
        if (!WaitFor([&] { return (palette_ = Find(kPaletteClass)) != nullptr; })) {
            throw std::runtime_error("the palette did not appear");
        }
        WaitForInputIdle(process_.get(), kTimeoutMs);
        threadId_ = GetWindowThreadProcessId(palette_, nullptr);
    }
    ~PaletteProcess() {
        if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    PaletteProcess(const PaletteProcess&) = delete;
    PaletteProcess& operator=(const PaletteProcess&) = delete;

    [[nodiscard]] HWND palette() const { return palette_; }
    [[nodiscard]] HANDLE process() const { return process_.get(); }
    [[nodiscard]] HWND Control(int id) const { return GetDlgItem(palette_, id); }

    // A visible top-level window of this process with the class; null when there is none.
    [[nodiscard]] HWND Find(const wchar_t* windowClass) const {
        struct Search {
            DWORD processId;
            const wchar_t* windowClass;
            HWND found;
        } search{processId_, windowClass, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t name[64] = {};
                GetClassNameW(window, name, static_cast<int>(std::size(name)));
                if (owner == s.processId && IsWindowVisible(window) &&
                    std::wstring_view(name) == s.windowClass) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    [[nodiscard]] HWND WaitForWindow(const wchar_t* windowClass) const {
        HWND found = nullptr;
        WaitFor([&] { return (found = Find(windowClass)) != nullptr; });
        return found;
    }

    [[nodiscard]] HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
    }

    // A tab's caption: the tab control takes a pointer, so the item is read in the palette's
    // own memory.
    [[nodiscard]] std::wstring TabText(int index) const {
        struct Remote {
            TCITEMW item;
            wchar_t text[64];
        };
        void* remote =
            VirtualAllocEx(process_.get(), nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE);
        Remote local{};
        local.item.mask = TCIF_TEXT;
        local.item.cchTextMax = static_cast<int>(std::size(local.text));
        local.item.pszText =
            reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + offsetof(Remote, text));
        WriteProcessMemory(process_.get(), remote, &local, sizeof local, nullptr);
        SendMessageW(Control(kPageControl1), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process_.get(), remote, &local, sizeof local, nullptr);
        VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
        return local.text;
    }

    void ShowPage(int page) const {
        SendMessageW(Control(kPageControl1), TCM_SETCURFOCUS, page, 0);
    }
    // The palette makes a page's controls when the page is first shown, as a user first sees
    // them: each page is shown once, ending on the first.
    void VisitEveryPage() const {
        for (int page = 3; page >= 0; --page) ShowPage(page);
    }

    // Waits for the process to end; its exit code, or -1 when it did not end in time.
    int WaitForExit() const {
        if (WaitForSingleObject(process_.get(), kTimeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }
    // The user closes the palette.
    int Close() const {
        PostMessageW(palette_, WM_CLOSE, 0, 0);
        return WaitForExit();
    }

private:
    platform::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND palette_ = nullptr;
};

}  // namespace tarsel::palette::win32::testing
