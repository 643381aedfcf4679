// The drawings `tarsel run` saves pass the project's own DXF check (tests/support/validate_dxf.py:
// a strict ezdxf load, an audit, declared layers and application ids). Without python3-ezdxf
// the check fails rather than being skipped.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "subcommand_harness.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

struct Verdict {
    int status = -1;
    std::string output;
};

Verdict Validate(const std::filesystem::path& drawing) {
    const std::string command = "/usr/bin/python3 '" TARSEL_SOURCE_DIR
                                "/tests/support/validate_dxf.py' '" +
                                drawing.string() + "' 2>&1";
    Verdict verdict;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return verdict;
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe))
        verdict.output += buffer.data();
    const int raw = pclose(pipe);
    verdict.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return verdict;
}

class DxfValidity : public ScratchDirTest {};

TEST_F(DxfValidity, TheDemoJobSavesADrawingThatPassesTheCheck) {
    const std::string examples = TARSEL_SOURCE_DIR "/examples/";
    const Outcome run = Invoke<RunRun>(
        {examples + "parcel.dxf", examples + "parcel-job.txt", "-o", Path("demo.dxf")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Verdict verdict = Validate(dir_ / "demo.dxf");
    EXPECT_EQ(verdict.status, 0) << verdict.output;
    EXPECT_NE(verdict.output.find("OK "), std::string::npos) << verdict.output;
}

TEST_F(DxfValidity, TheCheckRefusesABrokenFile) {
    WriteFile("broken.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\nabc\n");
    const Verdict verdict = Validate(dir_ / "broken.dxf");
    EXPECT_NE(verdict.status, 0) << verdict.output;
    EXPECT_EQ(verdict.output.find("OK "), std::string::npos) << verdict.output;
}

}  // namespace
}  // namespace tarsel::app
