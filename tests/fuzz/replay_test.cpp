// Every seed and every input that ever failed, through the fuzz targets' bodies, in the
// ordinary test run: a fixed fault stays fixed without a fuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "targets.h"

namespace tarsel::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(std::string_view target) {
    std::vector<fs::path> files;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder =
            fs::path(TARSEL_SOURCE_DIR) / "tests" / "fuzz" / kind / std::string(target);
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Replay : public ::testing::TestWithParam<Target> {};

TEST_P(Replay, EverySeedAndReproducerPasses) {
    const std::vector<fs::path> files = InputsOf(GetParam().name);
    ASSERT_FALSE(files.empty()) << "no seeds for " << GetParam().name;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        GetParam().run({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarsel::fuzz
