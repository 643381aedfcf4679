// A fresh folder for one test's files: named by suite, test and process, so that test
// executables running side by side (ctest -j) never share one, and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace tarsel::testing {

class ScratchFolder {
public:
    // prefix + "-" + suite + "-" + test + "-" + process id, under the system's temporary folder.
    explicit ScratchFolder(std::string_view prefix = "tarsel") {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name(prefix);
        if (info) name += std::string("-") + info->test_suite_name() + "-" + info->name();
        name += "-" + std::to_string(ProcessId());
        for (char& c : name) {
            if (c == '/' || c == '\\' || c == ':') c = '_';  // parameterised test names
        }
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const {
        return path_ / name;
    }

private:
    static long ProcessId() {
#if defined(_WIN32)
        return static_cast<long>(_getpid());
#else
        return static_cast<long>(getpid());
#endif
    }
    std::filesystem::path path_;
};

}  // namespace tarsel::testing
