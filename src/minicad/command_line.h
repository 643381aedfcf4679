// minicad's command line, the one behind Document.SendCommand: typed text split into tokens
// as a CAD reads it, commands looked up by name, and a context through which a running
// command takes its next input, first from what was typed, then from the user.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/user_input.h"

namespace tarsel::minicad {

class Document;
class CommandLine;

// One unit of typed input. Every blank or carriage return ends a token, and a separator
// with no text before it is a bare Enter. A double-quoted token keeps its blanks (the
// quotes are not part of the text); a carriage return ends it all the same.
struct Token {
    std::string text;
    bool quoted = false;
    [[nodiscard]] bool IsEnter() const { return text.empty() && !quoted; }
    friend bool operator==(const Token&, const Token&) = default;
};

// Splits text as the command line does. Text after the last separator has not been
// entered yet: it is returned in pending (when given) and not as a token.
[[nodiscard]] std::vector<Token> Tokenize(std::string_view text, std::string* pending = nullptr);

// "x,y" or "x,y,z" with plain decimal numbers (C locale); nullopt otherwise.
[[nodiscard]] std::optional<Point3> ParsePointText(std::string_view text);
// "x,y,z" with the shortest text that reads back as the same doubles.
[[nodiscard]] std::string FormatPoint(const Point3& p);

// Raised by the context when the user cancels a prompt; ends the running command. The
// command line catches it, logs "*Cancel*" and discards the rest of the typed input.
class CommandCancelled : public std::exception {
public:
    [[nodiscard]] const char* what() const noexcept override { return "*Cancel*"; }
};

// What a running command sees. Each Get* reads the next queued token; when the typed
// input is exhausted it asks the user through UserInput (a PromptKind per helper). An
// input that does not fit the prompt is rejected on the log and the prompt is asked again
// with the next input, as a CAD does. Escape raises CommandCancelled.
class CommandContext {
public:
    struct PointOrKeyword {
        std::optional<Point3> point;  // set when a point was given
        std::string keyword;          // the matching keyword as listed; empty otherwise
        bool enter = false;           // a bare Enter
    };

    CommandContext(Document& document, UserInput& input, CommandLine& line,
                   std::function<std::optional<Token>()> nextQueued);

    [[nodiscard]] Document& document() { return document_; }
    [[nodiscard]] CommandLine& commandLine() { return line_; }

    // The next typed token, or nullopt when the typed input is exhausted (the user's turn).
    [[nodiscard]] std::optional<Token> NextQueuedToken();

    // A point; Enter is rejected and asked again. Sets LASTPOINT.
    [[nodiscard]] Point3 GetPoint(std::string_view prompt);
    // A point, one of keywords (case-insensitive; a unique leading part or a leading "_"
    // is accepted), or Enter. Points set LASTPOINT.
    [[nodiscard]] PointOrKeyword GetPointOrKeyword(std::string_view prompt,
                                                   std::span<const std::string_view> keywords);
    // A number; nullopt for Enter (the command's default).
    [[nodiscard]] std::optional<double> GetNumber(std::string_view prompt);
    // One of keywords, or "" for Enter.
    [[nodiscard]] std::string GetKeyword(std::string_view prompt,
                                         std::span<const std::string_view> keywords);
    // Any text as typed (quotes removed), "" for Enter.
    [[nodiscard]] std::string GetText(std::string_view prompt);
    // "Select objects:" until Enter: points pick, "C"/"W" take two corners, "P"/"PRE"
    // the previous selection, "L" the last entity, "ALL" everything. A user's answer
    // completes the selection. Records it as the previous selection.
    [[nodiscard]] std::vector<std::int64_t> GetSelection(std::string_view prompt);

    void Log(std::string_view text);

private:
    // Next input for a prompt: a typed token, or the user's answer as a token-like value.
    struct Input {
        std::optional<Token> token;  // typed or a Text/Point answer
        std::optional<Answer> answer;
    };
    Input NextInput(PromptKind kind, std::string_view prompt);

    Document& document_;
    UserInput& input_;
    CommandLine& line_;
    std::function<std::optional<Token>()> nextQueued_;
};

using CommandHandler = std::function<void(CommandContext&)>;

// Evaluates one AutoLISP expression typed at the command prompt (text from "(" to the
// matching ")", a second expression directly after it included). It may run commands
// through CommandLine::Execute.
using LispEvaluator = std::function<void(std::string_view expression, CommandLine& line)>;

class CommandLine {
public:
    CommandLine(Document& document, std::function<UserInput&()> input);

    // name as a CAD lists it, e.g. "-BOUNDARY", "-INSERT", "MOVE", "LEADER".
    void Register(std::string_view name, CommandHandler handler);
    // Lookup as a CAD accepts names: case-insensitive, leading "_" and "." ignored, and a
    // command registered only in its "-" form (no dialogs here) also answers without it.
    [[nodiscard]] const CommandHandler* Find(std::string_view name) const;
    void SetLispEvaluator(LispEvaluator evaluator) { lisp_ = std::move(evaluator); }

    // Types text at the command line and runs what it enters, synchronously. A bare Enter
    // with no command running does nothing (it never repeats the last command). An
    // unknown command is rejected on the log and the rest of the text discarded.
    void Send(std::string_view text);
    // Runs one command whose typed input is the given tokens (tokens[0] is its name; ""
    // is Enter); when they run out the user answers. Used by the AutoLISP (command ...)
    // function. True when the command ran to its end (not unknown, not cancelled).
    bool Execute(std::span<const std::string> tokens);

    // Typed text after the last separator, waiting for its Enter.
    [[nodiscard]] const std::string& Pending() const { return pending_; }

private:
    bool RunCommand(const Token& name, std::function<std::optional<Token>()> nextQueued);

    Document& document_;
    std::function<UserInput&()> input_;
    std::map<std::string, CommandHandler, std::less<>> commands_;
    LispEvaluator lisp_;
    std::string pending_;
    int depth_ = 0;
};

// Registers every command minicad knows (builtin_commands.cpp).
void RegisterBuiltinCommands(CommandLine& line);

}  // namespace tarsel::minicad
