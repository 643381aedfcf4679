// What the tarsel subcommand tests share: a subcommand called in process with its output
// captured, and a scratch folder of its own for every test (tests/support).
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

#include "support/scratch_folder.h"

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

    tarsel::testing::ScratchFolder scratch_{"tarsel"};
    std::filesystem::path dir_ = scratch_.path();
};

}  // namespace tarsel::app
