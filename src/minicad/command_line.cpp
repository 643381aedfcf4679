#include "minicad/command_line.h"

#include <charconv>
#include <cmath>
#include <set>

#include "minicad/document.h"
#include "minicad/selection.h"
#include "text/numbers.h"

namespace tarsel::minicad {
namespace {

// A command whose LISP runs commands that send LISP ... stops here instead of exhausting
// the stack.
constexpr int kMaxNesting = 8;
// Invalid answers in a row after which a prompt gives up as if Escape had been pressed:
// an input source that keeps sending nonsense must not hold minicad forever.
constexpr int kMaxInvalidInputs = 100;

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Typed text read lazily: tokens, or at the command prompt a whole AutoLISP expression.
class TextReader {
public:
    explicit TextReader(std::string text) : buf_(std::move(text)) {}

    // The next entered token; nullopt when the rest has no separator yet (not entered).
    std::optional<Token> Next() {
        Token tok;
        bool inQuote = false;
        for (std::size_t i = pos_; i < buf_.size(); ++i) {
            const char c = buf_[i];
            if (inQuote && c != '\r' && c != '\n') {
                if (c == '"') {
                    inQuote = false;
                } else {
                    tok.text += c;
                }
                continue;
            }
            if (c == '"' && tok.text.empty() && !tok.quoted) {
                inQuote = true;
                tok.quoted = true;
                continue;
            }
            if (IsSeparator(c)) {
                // CR LF is one Enter, as a keyboard sends it.
                if (c == '\r' && i + 1 < buf_.size() && buf_[i + 1] == '\n') ++i;
                pos_ = i + 1;
                return tok;
            }
            tok.text += c;
        }
        return std::nullopt;
    }

    [[nodiscard]] bool AtLisp() const { return pos_ < buf_.size() && buf_[pos_] == '('; }

    // "(...)" possibly followed directly by more "(...)", then the separator that entered
    // it. nullopt while nothing entered it yet; unbalanced tells the text ended inside it.
    std::optional<std::string> TakeLisp(bool& unbalanced) {
        unbalanced = false;
        int depth = 0;
        bool inString = false;
        std::size_t i = pos_;
        for (; i < buf_.size(); ++i) {
            const char c = buf_[i];
            if (inString) {
                if (c == '\\' && i + 1 < buf_.size()) {
                    ++i;
                } else if (c == '"') {
                    inString = false;
                }
                continue;
            }
            if (c == '"') {
                inString = true;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')') {
                if (--depth == 0 && !(i + 1 < buf_.size() && buf_[i + 1] == '(')) break;
                if (depth < 0) break;
            }
        }
        if (i >= buf_.size()) {
            unbalanced = true;
            return std::nullopt;
        }
        if (i + 1 >= buf_.size()) return std::nullopt;
        std::string expr = buf_.substr(pos_, i + 1 - pos_);
        std::size_t next = i + 1;
        if (IsSeparator(buf_[next])) {
            if (buf_[next] == '\r' && next + 1 < buf_.size() && buf_[next + 1] == '\n') ++next;
            ++next;
        }
        pos_ = next;
        return expr;
    }

    void Discard() { pos_ = buf_.size(); }
    [[nodiscard]] std::string Rest() const { return buf_.substr(pos_); }

private:
    std::string buf_;
    std::size_t pos_ = 0;
};

std::string NumberText(double v) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("?");
}

std::string AnswerText(const Answer& a) {
    switch (a.kind) {
        case Answer::Kind::Point:
        case Answer::Kind::Pick: return FormatPoint(a.p1);
        case Answer::Kind::SelectWindow: return "C " + FormatPoint(a.p1) + " " + FormatPoint(a.p2);
        case Answer::Kind::SelectAll: return "ALL";
        case Answer::Kind::Text: return a.text;
        case Answer::Kind::Cancel: return "*Cancel*";
    }
    return "";
}

std::string Trimmed(std::string_view s) {
    while (!s.empty() && IsSeparator(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSeparator(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// A typed keyword against the command's list: the whole word or a unique leading part,
// any letter case, with or without the "_" that marks an untranslated keyword.
std::optional<std::string> MatchKeyword(std::string_view typed,
                                        std::span<const std::string_view> keywords) {
    if (!typed.empty() && typed.front() == '_') typed.remove_prefix(1);
    if (typed.empty()) return std::nullopt;
    const std::string upper = text::UpperAscii(typed);
    std::optional<std::string> prefixMatch;
    int prefixCount = 0;
    for (std::string_view kw : keywords) {
        const std::string k = text::UpperAscii(kw);
        if (k == upper) return std::string(kw);
        if (k.compare(0, upper.size(), upper) == 0) {
            ++prefixCount;
            prefixMatch = std::string(kw);
        }
    }
    if (prefixCount == 1) return prefixMatch;
    return std::nullopt;
}

std::string CommandKey(std::string_view name) {
    std::string upper = text::UpperAscii(Trimmed(name));
    std::size_t i = 0;
    while (i < upper.size() && (upper[i] == '_' || upper[i] == '.')) ++i;
    return upper.substr(i);
}

void AppendUnique(std::vector<std::int64_t>& to, const std::vector<std::int64_t>& ids) {
    std::set<std::int64_t> have(to.begin(), to.end());
    for (std::int64_t id : ids)
        if (have.insert(id).second) to.push_back(id);
}

}  // namespace

std::string FormatPoint(const Point3& p) {
    return NumberText(p.x) + "," + NumberText(p.y) + "," + NumberText(p.z);
}

std::vector<Token> Tokenize(std::string_view text, std::string* pending) {
    TextReader reader{std::string(text)};
    std::vector<Token> out;
    while (auto tok = reader.Next()) out.push_back(std::move(*tok));
    if (pending) *pending = reader.Rest();
    return out;
}

std::optional<Point3> ParsePointText(std::string_view text) {
    double c[3] = {0, 0, 0};
    int n = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view part = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (n == 3) return std::nullopt;
        const std::optional<double> v = text::ParseDecimal(part);
        if (!v) return std::nullopt;
        c[n++] = *v;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (n < 2) return std::nullopt;
    return Point3{c[0], c[1], c[2]};
}

// --- CommandContext -------------------------------------------------------------------

CommandContext::CommandContext(Document& document, UserInput& input, CommandLine& line,
                               std::function<std::optional<Token>()> nextQueued)
    : document_(document), input_(input), line_(line), nextQueued_(std::move(nextQueued)) {}

std::optional<Token> CommandContext::NextQueuedToken() {
    return nextQueued_();
}

void CommandContext::Log(std::string_view text) {
    document_.Log(text);
}

CommandContext::Input CommandContext::NextInput(PromptKind kind, std::string_view prompt) {
    if (std::optional<Token> tok = nextQueued_()) {
        Log(std::string(prompt) + tok->text);
        return {std::move(tok), std::nullopt};
    }
    Answer a = input_.Ask(kind, prompt);
    Log(std::string(prompt) + AnswerText(a));
    switch (a.kind) {
        case Answer::Kind::Cancel: throw CommandCancelled();
        case Answer::Kind::Text: return {Token{a.text, false}, std::nullopt};
        case Answer::Kind::SelectWindow:
        case Answer::Kind::SelectAll:
            // A selection where a point or a value is asked for: nothing sensible to
            // take from it, so it ends the prompt like Escape.
            if (kind != PromptKind::Selection) throw CommandCancelled();
            return {std::nullopt, std::move(a)};
        case Answer::Kind::Point:
        case Answer::Kind::Pick:
            if (kind == PromptKind::Text) return {Token{FormatPoint(a.p1), false}, std::nullopt};
            return {std::nullopt, std::move(a)};
    }
    throw CommandCancelled();
}

Point3 CommandContext::GetPoint(std::string_view prompt) {
    for (int tries = 0; tries < kMaxInvalidInputs; ++tries) {
        Input in = NextInput(PromptKind::Point, prompt);
        std::optional<Point3> p;
        if (in.answer) p = in.answer->p1;
        if (in.token) p = ParsePointText(in.token->text);
        if (p) {
            document_.SetLastPoint(*p);
            return *p;
        }
        Log("Point or option keyword required.");
    }
    throw CommandCancelled();
}

CommandContext::PointOrKeyword CommandContext::GetPointOrKeyword(
    std::string_view prompt, std::span<const std::string_view> keywords) {
    for (int tries = 0; tries < kMaxInvalidInputs; ++tries) {
        Input in = NextInput(PromptKind::Point, prompt);
        if (in.answer) {
            document_.SetLastPoint(in.answer->p1);
            return {in.answer->p1, {}, false};
        }
        if (in.token->IsEnter()) return {std::nullopt, {}, true};
        if (auto kw = MatchKeyword(in.token->text, keywords)) return {std::nullopt, *kw, false};
        if (auto p = ParsePointText(in.token->text)) {
            document_.SetLastPoint(*p);
            return {p, {}, false};
        }
        Log("Point or option keyword required.");
    }
    throw CommandCancelled();
}

std::optional<double> CommandContext::GetNumber(std::string_view prompt) {
    for (int tries = 0; tries < kMaxInvalidInputs; ++tries) {
        Input in = NextInput(PromptKind::Text, prompt);
        if (in.token) {
            if (in.token->IsEnter()) return std::nullopt;
            if (auto v = text::ParseDecimal(in.token->text)) return v;
        }
        Log("Requires numeric value.");
    }
    throw CommandCancelled();
}

std::string CommandContext::GetKeyword(std::string_view prompt,
                                       std::span<const std::string_view> keywords) {
    for (int tries = 0; tries < kMaxInvalidInputs; ++tries) {
        Input in = NextInput(PromptKind::Text, prompt);
        if (in.token) {
            if (in.token->IsEnter()) return {};
            if (auto kw = MatchKeyword(in.token->text, keywords)) return *kw;
        }
        Log("Invalid option keyword.");
    }
    throw CommandCancelled();
}

std::string CommandContext::GetText(std::string_view prompt) {
    Input in = NextInput(PromptKind::Text, prompt);
    if (in.token) return in.token->text;
    return FormatPoint(in.answer->p1);
}

std::vector<std::int64_t> CommandContext::GetSelection(std::string_view prompt) {
    std::vector<std::int64_t> selected;
    int invalid = 0;
    while (true) {
        std::optional<Token> tok = nextQueued_();
        if (!tok) {
            // The user's turn: one answer is one whole selection, ended with Enter.
            Answer a = input_.Ask(PromptKind::Selection, prompt);
            Log(std::string(prompt) + AnswerText(a));
            switch (a.kind) {
                case Answer::Kind::SelectWindow:
                    AppendUnique(selected, SelectCrossing(document_, a.p1, a.p2));
                    break;
                case Answer::Kind::SelectAll:
                    AppendUnique(selected, SelectEverything(document_));
                    break;
                case Answer::Kind::Point:
                case Answer::Kind::Pick:
                    if (auto id = FindEntityAt(document_, a.p1)) AppendUnique(selected, {*id});
                    break;
                case Answer::Kind::Text:
                case Answer::Kind::Cancel: throw CommandCancelled();
            }
            break;
        }
        Log(std::string(prompt) + tok->text);
        if (tok->IsEnter()) break;
        const std::string word = text::UpperAscii(tok->text);
        if (word == "P" || word == "PRE" || word == "PREVIOUS") {
            std::vector<std::int64_t> alive;
            for (std::int64_t id : document_.PreviousSelection())
                if (document_.IsInModelSpace(id)) alive.push_back(id);
            AppendUnique(selected, alive);
        } else if (word == "L" || word == "LAST") {
            if (auto id = SelectLast(document_)) AppendUnique(selected, {*id});
        } else if (word == "ALL") {
            AppendUnique(selected, SelectEverything(document_));
        } else if (word == "C" || word == "W") {
            const Point3 a = GetPoint("Specify first corner: ");
            const Point3 b = GetPoint("Specify opposite corner: ");
            AppendUnique(selected, word == "C" ? SelectCrossing(document_, a, b)
                                               : SelectInside(document_, a, b));
        } else if (auto p = ParsePointText(tok->text)) {
            if (auto id = FindEntityAt(document_, *p)) AppendUnique(selected, {*id});
        } else {
            Log("*Invalid selection*");
            if (++invalid >= kMaxInvalidInputs) throw CommandCancelled();
        }
    }
    Log(std::to_string(selected.size()) + " found");
    document_.SetPreviousSelection(selected);
    return selected;
}

// --- CommandLine ------------------------------------------------------------------------

CommandLine::CommandLine(Document& document, std::function<UserInput&()> input)
    : document_(document), input_(std::move(input)) {}

void CommandLine::Register(std::string_view name, CommandHandler handler) {
    commands_[CommandKey(name)] = std::move(handler);
}

const CommandHandler* CommandLine::Find(std::string_view name) const {
    const std::string key = CommandKey(name);
    if (key.empty()) return nullptr;
    if (auto it = commands_.find(key); it != commands_.end()) return &it->second;
    if (key.front() != '-') {
        if (auto it = commands_.find("-" + key); it != commands_.end()) return &it->second;
    }
    return nullptr;
}

bool CommandLine::RunCommand(const Token& name, std::function<std::optional<Token>()> nextQueued) {
    const CommandHandler* handler = Find(name.text);
    if (!handler) {
        document_.Log("Unknown command \"" + text::UpperAscii(name.text) +
                      "\".  Press F1 for help.");
        return false;
    }
    if (depth_ > kMaxNesting) {
        document_.Log("*Invalid* commands nested too deeply: " + name.text);
        return false;
    }
    ++depth_;
    struct DepthGuard {
        int& depth;
        ~DepthGuard() { --depth; }
    } guard{depth_};
    document_.Log("Command: " + name.text);
    CommandContext context(document_, input_(), *this, std::move(nextQueued));
    try {
        (*handler)(context);
        return true;
    } catch (const CommandCancelled&) {
        document_.Log("*Cancel*");
    } catch (const std::exception& e) {
        document_.Log(std::string("*Invalid* ") + e.what());
    }
    return false;
}

void CommandLine::Send(std::string_view text) {
    TextReader reader(pending_ + std::string(text));
    pending_.clear();
    while (true) {
        if (reader.AtLisp()) {
            bool unbalanced = false;
            std::optional<std::string> expr = reader.TakeLisp(unbalanced);
            if (unbalanced) {
                // A CAD would wait for the closing parenthesis and swallow every later
                // command into the expression; minicad rejects it so the next one runs.
                document_.Log("; error: malformed list on input");
                reader.Discard();
                break;
            }
            if (!expr) break;
            document_.Log(*expr);
            if (!lisp_) {
                document_.Log("; error: AutoLISP is not available");
                reader.Discard();
                break;
            }
            try {
                lisp_(*expr, *this);
            } catch (const CommandCancelled&) {
                document_.Log("*Cancel*");
                reader.Discard();
                break;
            } catch (const std::exception& e) {
                document_.Log(std::string("; error: ") + e.what());
                reader.Discard();
                break;
            }
            continue;
        }
        std::optional<Token> tok = reader.Next();
        if (!tok) break;
        if (tok->IsEnter()) continue;  // never repeats the last command
        if (!RunCommand(*tok, [&reader] { return reader.Next(); })) {
            // After an unknown or cancelled command the rest of the text is not run: it
            // was meant as that command's input, and as commands it would do harm.
            reader.Discard();
            break;
        }
    }
    pending_ = reader.Rest();
}

bool CommandLine::Execute(std::span<const std::string> tokens) {
    if (tokens.empty()) return false;
    std::size_t next = 1;
    return RunCommand(Token{tokens[0], false}, [tokens, &next]() -> std::optional<Token> {
        if (next < tokens.size()) return Token{tokens[next++], false};
        return std::nullopt;
    });
}

}  // namespace tarsel::minicad
