#include "job/job_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarsel::job {
namespace {

using Kind = JobAnswer::Kind;

TEST(ParseJob, ASessionWithItsAnswersGroupedAfterEachPress) {
    const Job job = ParseJob(
        "\xEF\xBB\xBF# lot 12-3\r\n"
        "set m_layer  H TEXT  \r\n"
        "sysvar ANGBASE 90\n"
        "\n"
        "press 自動   # split and label\n"
        "point 5000,5000\n"
        "pick -1.5,+2e3\n"
        "press Button13\n"
        "select 0,0 100,100\n"
        "select ALL\n"
        "cancel\n"
        "set NextNumber 7\n"
        "press 最大\n"
        "set Leader A#1 # the comment starts after a blank\n",
        "job.txt");
    ASSERT_EQ(job.steps.size(), 7u);
    EXPECT_EQ(job.source, "job.txt");
    EXPECT_EQ(job.steps[0].kind, JobStep::Kind::Set);
    EXPECT_EQ(job.steps[0].name, "M_Layer");  // the key as listed
    EXPECT_EQ(job.steps[0].value, "H TEXT");
    EXPECT_EQ(job.steps[0].line, 2);
    EXPECT_EQ(job.steps[1].kind, JobStep::Kind::Sysvar);
    EXPECT_EQ(job.steps[1].name, "ANGBASE");
    EXPECT_EQ(job.steps[1].value, "90");

    const JobStep& split = job.steps[2];
    EXPECT_EQ(split.kind, JobStep::Kind::Press);
    EXPECT_EQ(split.name, "自動");
    ASSERT_EQ(split.answers.size(), 2u);
    EXPECT_EQ(split.answers[0], (JobAnswer{Kind::Point, {5000, 5000, 0}, {}, 6}));
    EXPECT_EQ(split.answers[1], (JobAnswer{Kind::Pick, {-1.5, 2000, 0}, {}, 7}));

    const JobStep& group = job.steps[3];
    ASSERT_EQ(group.answers.size(), 3u);
    EXPECT_EQ(group.answers[0], (JobAnswer{Kind::SelectWindow, {0, 0, 0}, {100, 100, 0}, 9}));
    EXPECT_EQ(group.answers[1].kind, Kind::SelectAll);
    EXPECT_EQ(group.answers[2].kind, Kind::Cancel);

    EXPECT_EQ(job.steps[4].name, "NextNumber");
    EXPECT_TRUE(job.steps[5].answers.empty());
    EXPECT_EQ(job.steps[6].value, "A#1");
}

TEST(ParseJob, AMalformedLineIsNamedByFileAndLine) {
    struct Case {
        const char* text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"frobnicate\n", 1, "unknown action \"frobnicate\""},
        {"\nset Colour 1\n", 2, "unknown option \"Colour\""},
        {"set Keta1\n", 1, "needs a value"},
        {"set NextNumber 2x\n", 1, "whole number"},
        {"sysvar ANGBASE\n", 1, "variable name and a value"},
        {"press\n", 1, "press needs a button"},
        {"point 1,2\n", 1, "must follow a press"},
        {"press 自動\nset Keta1 2\npoint 1,2\n", 3, "must follow a press"},
        {"press X\npoint 1\n", 2, "point needs X,Y"},
        {"press X\npoint 1,2,3,4\n", 2, "point needs X,Y"},
        {"press X\npoint 1, 2\n", 2, "point needs X,Y"},
        {"press X\npoint nan,2\n", 2, "point needs X,Y"},
        {"press X\npick 1,2,3\n", 2, "pick needs X,Y"},
        {"press X\nselect 1,2\n", 2, "select needs"},
        {"press X\nselect 1,2 3\n", 2, "select needs"},
        {"press X\ncancel now\n", 2, "cancel takes nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            (void)ParseJob(c.text, "jobs/a.job");
            ADD_FAILURE() << "no error";
        } catch (const JobError& e) {
            EXPECT_EQ(e.source(), "jobs/a.job");
            EXPECT_EQ(e.line(), c.line);
            EXPECT_NE(e.message().find(c.message), std::string::npos) << e.message();
            EXPECT_EQ(std::string(e.what()).rfind("jobs/a.job:" + std::to_string(c.line) + ": ", 0),
                      0u);
        }
    }
}

TEST(ParseJob, BinaryContentIsRefused) {
    const std::string text("press X\nset M_Layer a\0b\n", 23);
    try {
        (void)ParseJob(text, "a.job");
        FAIL() << "no error";
    } catch (const JobError& e) {
        EXPECT_EQ(e.line(), 2);
    }
}

TEST(ParseJobFile, AMissingFileIsAnErrorNamingIt) {
    try {
        (void)ParseJobFile("/nonexistent/dir/job.txt");
        FAIL() << "no error";
    } catch (const JobError& e) {
        EXPECT_EQ(e.line(), 0);
        EXPECT_NE(std::string(e.what()).find("job.txt: "), std::string::npos);
    }
}

// Records what a job asks of the palette and the CAD.
struct FakePalette : JobTarget {
    std::vector<std::string> calls;
    std::vector<JobMessage> pending;
    int next = 1;
    std::string SetOption(std::string_view key, std::string_view value) override {
        calls.push_back("set " + std::string(key) + "=" + std::string(value));
        if (key == "Keta1" && value == "bad") return "Keta1: bad is not a number";
        if (key == "NextNumber") next = std::stoi(std::string(value));
        return {};
    }
    bool Press(std::string_view button) override;
    int NextNumber() const override { return next; }
    std::vector<JobMessage> TakeMessages() override { return std::exchange(pending, {}); }
    struct FakeCad* cad = nullptr;
};

struct FakeCad : JobCad {
    std::vector<JobAnswer> queue;
    std::vector<std::string> calls;
    std::string SetSysvar(std::string_view name, std::string_view value) override {
        calls.push_back("sysvar " + std::string(name) + "=" + std::string(value));
        return name == "CLAYER" ? "CLAYER: no layer " + std::string(value) : std::string();
    }
    void QueueAnswers(std::span<const JobAnswer> answers) override {
        queue.assign(answers.begin(), answers.end());
    }
    std::size_t UnusedAnswers() const override { return queue.size(); }
};

bool FakePalette::Press(std::string_view button) {
    calls.push_back("press " + std::string(button) + " with " + std::to_string(cad->queue.size()));
    if (button == "nope") return false;
    if (button == "自動") {
        cad->queue.erase(cad->queue.begin());  // one prompt answered
        pending.push_back({"Tarsel", "境界を作成できません．"});
        ++next;
    }
    return true;
}

TEST(RunJob, DrivesThePaletteAndTheCadInOrder) {
    const Job job = ParseJob(
        "set NextNumber 4\nsysvar ANGBASE 90\npress 自動\npoint 1,2\npoint 3,4\npress 最大\n", "j");
    FakeCad cad;
    FakePalette palette;
    palette.cad = &cad;
    std::ostringstream out, err;
    EXPECT_EQ(RunJob(job, palette, cad, out, err), 0);
    EXPECT_EQ(palette.calls, (std::vector<std::string>{"set NextNumber=4", "press 自動 with 2",
                                                       "press 最大 with 0"}));
    EXPECT_EQ(cad.calls, std::vector<std::string>{"sysvar ANGBASE=90"});
    EXPECT_EQ(out.str(), "message Tarsel: 境界を作成できません．\nnext-number 5\n");
    EXPECT_EQ(err.str(), "j:3: warning: 1 answer not used by \"自動\"\n");
    EXPECT_TRUE(cad.queue.empty());  // an unused answer never reaches the next command
}

TEST(RunJob, AStepThatCannotRunStopsTheJob) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"press nope\nset Keta1 2\n", "j:1: unknown button \"nope\"\n"},
        {"set Keta1 bad\npress 最大\n", "j:1: Keta1: bad is not a number\n"},
        {"sysvar CLAYER X\npress 最大\n", "j:1: CLAYER: no layer X\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FakeCad cad;
        FakePalette palette;
        palette.cad = &cad;
        std::ostringstream out, err;
        EXPECT_EQ(RunJob(ParseJob(c.text, "j"), palette, cad, out, err), 1);
        EXPECT_EQ(err.str(), c.error);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(palette.calls.size() + cad.calls.size(), 1u);  // nothing after the failing step
    }
}

}  // namespace
}  // namespace tarsel::job
