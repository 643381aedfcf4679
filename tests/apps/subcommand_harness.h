// What the tarsel subcommand tests share: a subcommand called in process with its output
// captured, and a scratch folder of its own for every test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace tarsel::app {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

template <int (*Command)(std::span<const std::string>, std::ostream&, std::ostream&)>
Outcome Invoke(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = Command(args, out, err);
    return {code, out.str(), err.str()};
}

class ScratchDirTest : public ::testing::Test {
protected:
    ScratchDirTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("tarsel_" + std::string(info->test_suite_name()) + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDirTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Subcommands take their arguments as UTF-8, as wmain hands them over on Windows.
    static std::string PathText(const std::filesystem::path& path) {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
    [[nodiscard]] std::string Path(const std::string& name) const { return PathText(dir_ / name); }

    // A file of the scratch folder with exactly these bytes; its path as an argument.
    std::string WriteFile(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return Path(name);
    }

    std::filesystem::path dir_;
};

}  // namespace tarsel::app
