#include "server_process.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "cadlink/com/com_connection.h"
#include "cadlink/com/running_object.h"
#include "platform/win32/executable_folder.h"

namespace tarsel::cadlink::com::testing {

namespace fs = std::filesystem;

std::filesystem::path ServerProcess::Sibling(const wchar_t* name) {
    return platform::ExecutableFolder() / name;
}

std::filesystem::path ServerProcess::Executable() {
    return Sibling(L"minicad-server.exe");
}

ProgramResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    platform::UniqueHandle readEnd;
    platform::UniqueHandle writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        throw std::runtime_error("no pipe");
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + ServerProcess::Sibling(program.c_str()).wstring() + L"\"";
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &started);
    // Only the child may hold the write end now, or the reads below never see its end.
    writeEnd.reset();
    if (!ok) throw std::runtime_error("cannot start a program of the build");
    const auto process = platform::UniqueHandle::Adopt(started.hProcess);
    CloseHandle(started.hThread);  // never waited on
    ProgramResult result;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        result.output.append(buffer, read);
    }
    if (WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        result.exitCode = static_cast<int>(code);
    } else {
        TerminateProcess(process.get(), 99);
    }
    return result;
}

ServerProcess::ServerProcess(std::string progId, const CLSID& clsid,
                             std::vector<std::wstring> arguments)
    : progId_(std::move(progId)) {
    RegisterProgId(progId_, clsid);
    std::wstring commandLine =
        L"\"" + Executable().wstring() + L"\" --progid " + fs::path(progId_).wstring();
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        End();
        throw std::runtime_error("cannot start minicad-server.exe");
    }
    process_ = platform::UniqueHandle::Adopt(started.hProcess);
    CloseHandle(started.hThread);  // never waited on
    ComCadConnection connection;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!connection.IsCadRunning(progId_)) {
        if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0 ||
            std::chrono::steady_clock::now() > deadline) {
            // The destructor does not run for a constructor that throws.
            End();
            throw std::runtime_error("minicad-server.exe did not come up");
        }
        Sleep(20);
    }
}

ServerProcess::~ServerProcess() {
    End();
}

void ServerProcess::End() noexcept {
    if (process_) {
        if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 5000);
        }
        process_.reset();
    }
    UnregisterProgId(progId_);
}

int ServerProcess::Wait(DWORD milliseconds) {
    if (WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("tarsel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

}  // namespace tarsel::cadlink::com::testing
