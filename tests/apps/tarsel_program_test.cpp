#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct ProgramRun {
    int exitCode;
    std::string out;
};

// Runs the built program through the shell; stderr is dropped so that out is stdout alone.
ProgramRun RunTarsel(const std::string& args) {
    const std::string command = std::string("'") + TARSEL_EXE + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    std::string out;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(TarselProgram, HelpListsTheSubcommands) {
    const ProgramRun help = RunTarsel("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: tarsel COMMAND"), std::string::npos);
    EXPECT_NE(help.out.find("  triangulate"), std::string::npos);

    const ProgramRun subHelp = RunTarsel("triangulate --help");
    EXPECT_EQ(subHelp.exitCode, 0);
    EXPECT_NE(subHelp.out.find("--view-size V"), std::string::npos);

    EXPECT_EQ(RunTarsel("").exitCode, 2);
    EXPECT_EQ(RunTarsel("no-such-command").exitCode, 2);
}

TEST(TarselProgram, SplitsTheShippedSampleParcel) {
    const ProgramRun sample = RunTarsel(std::string("triangulate '") + TARSEL_SOURCE_DIR +
                                        "/examples/parcel-outline.txt'");
    EXPECT_EQ(sample.exitCode, 0);
    EXPECT_TRUE(sample.out.ends_with("\nok\n")) << sample.out;
    EXPECT_NE(sample.out.find("triangle "), std::string::npos);
}

TEST(TarselProgram, ABadFilePrintsNothingOnStdout) {
    const ProgramRun bad = RunTarsel(std::string("triangulate '") + TARSEL_SOURCE_DIR +
                                     "/tests/apps/tarsel_program_test.cpp'");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
}

}  // namespace
