// Test support: minicad-server.exe (built next to the test) as a child process under a
// ProgID of the test's own, registered in HKCR for the life of the helper.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cadlink/com/windows_headers.h"
#include "platform/win32/unique_any.h"

namespace tarsel::cadlink::com::testing {

class ServerProcess {
public:
    // Registers progId (for clsid) and starts the server with these arguments; returns once
    // the server is in the Running Object Table. Raises std::runtime_error when it is not
    // there within 20 seconds.
    ServerProcess(std::string progId, const CLSID& clsid, std::vector<std::wstring> arguments);
    // Ends the process if it still runs, and removes the ProgID.
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Waits for the process to end; its exit code, or -1 when it did not end in time.
    int Wait(DWORD milliseconds = 20000);

    [[nodiscard]] static std::filesystem::path Executable();
    // A program built next to this test.
    [[nodiscard]] static std::filesystem::path Sibling(const wchar_t* name);

private:
    void End() noexcept;

    std::string progId_;
    platform::UniqueHandle process_;
};

// Runs a program of the build (next to the test) to its end: its exit code (-1 when it did
// not end within two minutes) and what it wrote to standard output.
struct ProgramResult {
    int exitCode = -1;
    std::string output;
};
[[nodiscard]] ProgramResult RunProgram(const std::wstring& program,
                                       const std::vector<std::wstring>& arguments);

// A fresh folder for one test's files, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const char* name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace tarsel::cadlink::com::testing
