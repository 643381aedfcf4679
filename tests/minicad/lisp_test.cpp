#include "minicad/lisp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/user_input.h"

namespace tarsel::minicad {
namespace {

using Kind = LispForm::Kind;

std::string Show(const LispForm& f) {
    switch (f.kind) {
        case Kind::Integer: return "i" + std::to_string(f.integer);
        case Kind::Real: return "r" + std::to_string(f.real);
        case Kind::String: return "\"" + f.text + "\"";
        case Kind::Symbol: return f.text;
        case Kind::List: {
            std::string out = "(";
            for (std::size_t i = 0; i < f.items.size(); ++i)
                out += (i ? " " : "") + Show(f.items[i]);
            return out + ")";
        }
    }
    return {};
}

std::string ShowAll(std::string_view text) {
    std::string out;
    for (const auto& f : ReadLisp(text)) out += Show(f);
    return out;
}

TEST(LispReader, ReadsTheInsertFormAndItsNeighbours) {
    const struct {
        std::string text;
        std::string forms;
    } cases[] = {
        {"(command \"_-INSERT\" \"Tarsel_1\" \"S\" 1 \"R\" 0)(princ)",
         "(COMMAND \"_-INSERT\" \"Tarsel_1\" \"S\" i1 \"R\" i0)(PRINC)"},
        {"  ( Command\t\"a b\"\r\n)  ", "(COMMAND \"a b\")"},
        {R"((princ "say \"hi\" \\ \101\n"))", "(PRINC \"say \"hi\" \\ A\n\")"},
        {"(f -2 +3 1.5 1e3 .5 2147483648 - +)",
         "(F i-2 i3 r1.500000 r1000.000000 r0.500000 r2147483648.000000 - +)"},
        {"(a (b (c \"x\")) ())", "(A (B (C \"x\")) ())"},
        {"(\"日本\")", "(\"日本\")"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ShowAll(c.text), c.forms);
    }
}

TEST(LispReader, RejectsWhatItDoesNotRead) {
    const std::string tooDeep = std::string(200, '(') + std::string(200, ')');
    for (const std::string text : {"(command", "(command \"open", ")", "(a))", "'(1 2)",
                                   "(a ; note\n)", "(princ \"\\", tooDeep.c_str()}) {
        SCOPED_TRACE(text);
        EXPECT_THROW((void)ReadLisp(text), LispError);
    }
}

// A command that takes whatever it is given, up to an Enter, then asks the user for a point.
struct ProbeFixture : ::testing::Test {
    Document document;
    std::shared_ptr<ScriptedInput> input = std::make_shared<ScriptedInput>();
    CommandLine line{document, [this]() -> UserInput& { return *input; }};
    std::vector<std::string> received;
    std::optional<Point3> point;

    ProbeFixture() {
        line.Register("PROBE", [this](CommandContext& ctx) {
            while (auto token = ctx.NextQueuedToken()) received.push_back(token->text);
            point = ctx.GetPoint("Point: ");
        });
        line.SetLispEvaluator(MakeLispEvaluator(document));
    }

    // The command line also logs the typed expression itself, so entries are matched from
    // their start.
    bool LogHas(std::string_view start) const {
        for (const auto& entry : document.CommandLog()) {
            if (entry.starts_with(start)) return true;
        }
        return false;
    }
};

TEST_F(ProbeFixture, CommandRunsWithItsArgumentsThenAsksTheUser) {
    input->Push(Answer::MakePoint(5, 6));
    line.Send("(command \"PROBE\" \"Tarsel_1\" \"S\" 1 \"R\" 0 2.5)(princ)\r");
    EXPECT_EQ(received, (std::vector<std::string>{"Tarsel_1", "S", "1", "R", "0", "2.5"}));
    ASSERT_TRUE(point);
    EXPECT_EQ(*point, (Point3{5, 6, 0}));
    EXPECT_FALSE(LogHas("nil"));
    EXPECT_FALSE(LogHas("; error"));
}

TEST_F(ProbeFixture, CancelledPromptEndsTheCommandWithoutAPoint) {
    line.Send("(command \"PROBE\" \"x\")(princ)\r");
    EXPECT_EQ(received, (std::vector<std::string>{"x"}));
    EXPECT_FALSE(point);
}

TEST_F(ProbeFixture, UnknownFunctionsAndBadInputAreRejectedOnTheLog) {
    const struct {
        std::string text;
        std::string logged;
    } cases[] = {
        {"(vl-cmdf \"PROBE\")\r", "; error: no function definition: VL-CMDF"},
        {"(command \"PROBE\" undefined)\r", "; error: unbound symbol: UNDEFINED"},
        {"(command \"PROBE\" (princ))\r", "; error: bad argument type"},
        {"(princ \"a\" \"b\")\r", "; error: too many arguments"},
        {"(\"PROBE\")\r", "; error: bad function"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        line.Send(c.text);
        EXPECT_TRUE(received.empty());
        if (!c.logged.empty()) {
            EXPECT_TRUE(LogHas(c.logged));
        }
    }
}

TEST_F(ProbeFixture, LastValueIsEchoedUnlessQuietedByPrinc) {
    line.Send("(princ \"hello\")\r");
    EXPECT_TRUE(LogHas("hello"));
    line.Send("(command)\r");
    EXPECT_TRUE(LogHas("nil"));
}

}  // namespace
}  // namespace tarsel::minicad
