#include "minicad/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "minicad/document.h"
#include "minicad/user_input.h"

namespace tarsel::minicad {
namespace {

Token T(std::string text) {
    return Token{std::move(text), false};
}
Token Q(std::string text) {
    return Token{std::move(text), true};
}
const Token kEnter{};

TEST(Tokenize, SplitsTheTextsThePaletteSends) {
    struct Case {
        std::string text;
        std::vector<Token> tokens;
    };
    const std::vector<Case> cases = {
        {"_-BOUNDARY A O P \r5000.0000,5000.0000\r\r",
         {T("_-BOUNDARY"), T("A"), T("O"), T("P"), kEnter, T("5000.0000,5000.0000"), kEnter}},
        {"_-INSERT\r\"*C:\\my dir\\TARSEL_1.dxf\"\r0.0,0.0 1.0 0.0\r",
         {T("_-INSERT"), Q("*C:\\my dir\\TARSEL_1.dxf"), T("0.0,0.0"), T("1.0"), T("0.0")}},
        {"MOVE\rPRE\r\r1.000,2.000,0.000\r", {T("MOVE"), T("PRE"), kEnter, T("1.000,2.000,0.000")}},
        {"_LEADER\r1.0000,2.0000 3.0000,4.0000\r\r\rN\r",
         {T("_LEADER"), T("1.0000,2.0000"), T("3.0000,4.0000"), kEnter, kEnter, T("N")}},
        {"\r\n", {kEnter}},                     // CR LF is one Enter
        {"\"\"\r", {Q("")}},                    // an empty quoted text is not Enter
        {"a\"b c\r", {T("a\"b"), T("c")}},      // a quote inside a token is a character
        {"\"open quote\r", {Q("open quote")}},  // Enter ends an unclosed quote
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string pending;
        EXPECT_EQ(Tokenize(c.text, &pending), c.tokens);
        EXPECT_EQ(pending, "");
    }
}

TEST(Tokenize, TextWithoutAFinalSeparatorIsNotEnteredYet) {
    std::string pending;
    EXPECT_EQ(Tokenize("LINE 1,1", &pending), std::vector<Token>{T("LINE")});
    EXPECT_EQ(pending, "1,1");
}

TEST(ParsePointText, AcceptsTwoOrThreePlainNumbers) {
    EXPECT_EQ(ParsePointText("1,2"), (Point3{1, 2, 0}));
    EXPECT_EQ(ParsePointText("1.5,-2,3e2"), (Point3{1.5, -2, 300}));
    EXPECT_EQ(ParsePointText("+5000.0000,5000.0000"), (Point3{5000, 5000, 0}));
    for (const char* bad : {"", "1", "1,2,3,4", "a,b", "1,,2", "1,2,", "nan,1", "1e999,0", "1;2"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParsePointText(bad).has_value());
    }
}

// A command line with a few test commands that record what they read.
struct Line {
    Document doc;
    ScriptedInput input;
    CommandLine line{doc, [this]() -> UserInput& { return input; }};
    std::vector<std::string> seen;

    Line() {
        line.Register("ECHO", [this](CommandContext& c) { seen.push_back(c.GetText("Text: ")); });
        line.Register("PT", [this](CommandContext& c) {
            for (int i = 0; i < 2; ++i) seen.push_back(FormatPoint(c.GetPoint("Point: ")));
        });
        line.Register("-BOUNDARY", [this](CommandContext& c) {
            static constexpr std::array<std::string_view, 3> kKeys{"Advanced", "Object",
                                                                   "Polyline"};
            while (true) {
                auto in = c.GetPointOrKeyword("Pick internal point or [Advanced]: ", kKeys);
                if (in.enter) break;
                seen.push_back(in.point ? FormatPoint(*in.point) : in.keyword);
            }
        });
        line.Register("SEL", [this](CommandContext& c) {
            for (std::int64_t id : c.GetSelection("Select objects: "))
                seen.push_back(std::to_string(id));
        });
    }
    bool Logged(std::string_view text) const {
        return std::any_of(doc.CommandLog().begin(), doc.CommandLog().end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
};

TEST(CommandLine, FindsCommandsAsACadAcceptsTheirNames) {
    Line l;
    for (const char* name : {"_-BOUNDARY", "-boundary", "BOUNDARY", "_boundary", "._-Boundary"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(l.line.Find(name), nullptr);
    }
    EXPECT_NE(l.line.Find("._ECHO"), nullptr);
    EXPECT_EQ(l.line.Find("-ECHO"), nullptr);  // no "-" form of a command without one
    EXPECT_EQ(l.line.Find("_"), nullptr);
    EXPECT_EQ(l.line.Find("NOSUCH"), nullptr);
}

TEST(CommandLine, UnknownCommandIsRejectedAndTheRestIsNotRun) {
    Line l;
    l.line.Send("FOO\rECHO hi\r");
    EXPECT_TRUE(l.Logged("Unknown command \"FOO\""));
    EXPECT_TRUE(l.seen.empty());
    l.line.Send("ECHO again\r");  // the CAD is idle again
    EXPECT_EQ(l.seen, std::vector<std::string>{"again"});
}

TEST(CommandLine, BareEnterAtThePromptDoesNotRepeatTheLastCommand) {
    Line l;
    l.input.Push(Answer::MakeText("user"));
    l.line.Send("ECHO typed\r\r\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{"typed"});
    EXPECT_EQ(l.input.Unused(), 1u);
}

TEST(CommandLine, TypedInputFirstThenTheUserAnswers) {
    Line l;
    l.input.Push(Answer::MakePoint(3, 4));
    l.line.Send("PT\r1,2\r");
    EXPECT_EQ(l.seen, (std::vector<std::string>{"1,2,0", "3,4,0"}));
    EXPECT_EQ(l.doc.drawing().variables.lastpoint, (Point3{3, 4, 0}));
    EXPECT_EQ(l.input.Prompts(), std::vector<std::string>{"Point: "});
}

TEST(CommandLine, EscapeEndsTheCommandAndDiscardsTheRest) {
    Line l;  // no answers: the second point is cancelled
    l.line.Send("PT\r1,2\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{"1,2,0"});
    EXPECT_TRUE(l.Logged("*Cancel*"));

    l.seen.clear();
    l.input.Push(Answer::MakeWindow(0, 0, 1, 1));  // a selection at a point prompt cancels
    l.line.Send("PT\r5,5\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{"5,5,0"});
    EXPECT_EQ(l.input.Unused(), 0u);
}

TEST(CommandLine, InvalidInputIsRejectedAndAskedAgain) {
    Line l;
    l.line.Send("PT\rabc\r1,2\r\r3,4\r");
    EXPECT_EQ(l.seen, (std::vector<std::string>{"1,2,0", "3,4,0"}));
    EXPECT_TRUE(l.Logged("Point or option keyword required."));
}

TEST(CommandLine, KeywordsMatchWholeOrUniqueLeadingPartInAnyCase) {
    Line l;
    l.line.Send("_-BOUNDARY a _O poly 7,8 \r");
    EXPECT_EQ(l.seen, (std::vector<std::string>{"Advanced", "Object", "Polyline", "7,8,0"}));
}

TEST(CommandLine, TextNotYetEnteredWaitsForTheNextSend) {
    Line l;
    l.line.Send("ECHO");
    EXPECT_TRUE(l.seen.empty());
    EXPECT_EQ(l.line.Pending(), "ECHO");
    l.line.Send(" hi\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{"hi"});
    EXPECT_EQ(l.line.Pending(), "");
}

TEST(CommandLine, SelectionFromTypedOptionsAndFromTheUser) {
    Line l;
    auto line = [&](double x1, double y1, double x2, double y2) {
        Entity e;
        e.data = LineData{{x1, y1, 0}, {x2, y2, 0}};
        return l.doc.AddEntity(e);
    };
    const auto a = line(0, 0, 10, 0);
    const auto b = line(0, 100, 10, 100);
    const auto c = line(0, 200, 10, 200);
    l.line.Send("SEL\rL\rC\r-1,-1\r11,101\r\r");
    EXPECT_EQ(l.seen,
              (std::vector<std::string>{std::to_string(c), std::to_string(a), std::to_string(b)}));
    EXPECT_EQ(l.doc.PreviousSelection(), (std::vector<std::int64_t>{c, a, b}));

    l.seen.clear();  // PRE takes the previous selection; the user's pick completes it
    l.input.Push(Answer::MakePick(5, 0));
    l.line.Send("SEL\rPRE\r");
    EXPECT_EQ(l.seen.size(), 3u);

    l.seen.clear();
    l.input.Push(Answer::MakePick(5, 200));
    l.line.Send("SEL\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{std::to_string(c)});
}

TEST(CommandLine, LispTextGoesToTheEvaluatorWhole) {
    Line l;
    std::vector<std::string> expressions;
    l.line.SetLispEvaluator([&](std::string_view expr, CommandLine& line) {
        expressions.emplace_back(expr);
        const std::vector<std::string> tokens{"PT", "5,6"};
        EXPECT_FALSE(line.Execute(tokens));  // the second point is cancelled: no answers
    });
    l.line.Send("(command \"_-INSERT\" \"Tarsel_1\" \"S\" 1 \"R\" 0)(princ)\r");
    EXPECT_EQ(expressions, std::vector<std::string>{
                               "(command \"_-INSERT\" \"Tarsel_1\" \"S\" 1 \"R\" 0)(princ)"});
    EXPECT_EQ(l.seen, std::vector<std::string>{"5,6,0"});
}

TEST(CommandLine, UnbalancedLispIsRejectedSoLaterCommandsStillRun) {
    Line l;
    l.line.SetLispEvaluator([](std::string_view, CommandLine&) { FAIL() << "not evaluated"; });
    l.line.Send("(command \"x\"\r");
    EXPECT_TRUE(l.Logged("malformed list"));
    l.line.Send("ECHO ok\r");
    EXPECT_EQ(l.seen, std::vector<std::string>{"ok"});
}

TEST(CommandLine, WithoutAnEvaluatorLispIsRejectedOnTheLog) {
    Line l;
    l.line.Send("(princ)\r");
    EXPECT_TRUE(l.Logged("AutoLISP is not available"));
}

TEST(CommandLine, ACommandThatThrowsEndsQuietlyOnTheLog) {
    Line l;
    l.line.Register("BAD", [](CommandContext&) { throw std::runtime_error("broken"); });
    l.line.Send("BAD\rECHO x\r");
    EXPECT_TRUE(l.Logged("*Invalid* broken"));
    EXPECT_TRUE(l.seen.empty());
}

}  // namespace
}  // namespace tarsel::minicad
