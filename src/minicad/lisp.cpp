#include "minicad/lisp.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

namespace tarsel::minicad {
namespace {

// Deep enough for anything typed by hand; shallow enough that hostile input cannot exhaust
// the stack of the recursive reader and evaluator.
constexpr int kMaxDepth = 64;

bool IsDelimiter(char c) {
    return c == '(' || c == ')' || c == '"' || c == '\'' || c == ';' ||
           static_cast<unsigned char>(c) <= ' ';
}

std::string UpperAsciiText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// An atom that reads as a number: integers within 32 bits, otherwise reals, as AutoLISP does.
std::optional<LispForm> NumberAtom(std::string_view atom) {
    std::string_view digits = atom;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    const bool integral = digits.find_first_not_of("0123456789") == std::string_view::npos;
    const char* first = atom.front() == '+' ? atom.data() + 1 : atom.data();
    const char* last = atom.data() + atom.size();
    LispForm form;
    if (integral) {
        std::int32_t value = 0;
        const auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec == std::errc() && ptr == last) {
            form.kind = LispForm::Kind::Integer;
            form.integer = value;
            return form;
        }
    }
    if (!std::isdigit(static_cast<unsigned char>(digits.front())) && digits.front() != '.') {
        return std::nullopt;
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    form.kind = LispForm::Kind::Real;
    form.real = value;
    return form;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::vector<LispForm> ReadAll() {
        std::vector<LispForm> forms;
        for (;;) {
            SkipBlanks();
            if (pos_ == text_.size()) return forms;
            forms.push_back(ReadForm(0));
        }
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') ++pos_;
    }

    LispForm ReadForm(int depth) {
        SkipBlanks();
        if (pos_ == text_.size()) throw LispError("malformed list on input");
        const char c = text_[pos_];
        if (c == '(') return ReadList(depth + 1);
        if (c == ')') throw LispError("extra right paren on input");
        if (c == '"') return ReadString();
        if (c == '\'') throw LispError("quote is not supported");
        if (c == ';') throw LispError("comments are not supported");
        return ReadAtom();
    }

    LispForm ReadList(int depth) {
        if (depth > kMaxDepth) throw LispError("expressions nested too deeply");
        ++pos_;  // "("
        LispForm list;
        list.kind = LispForm::Kind::List;
        for (;;) {
            SkipBlanks();
            if (pos_ == text_.size()) throw LispError("malformed list on input");
            if (text_[pos_] == ')') {
                ++pos_;
                return list;
            }
            list.items.push_back(ReadForm(depth));
        }
    }

    LispForm ReadString() {
        ++pos_;  // opening quote
        LispForm form;
        form.kind = LispForm::Kind::String;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return form;
            if (c != '\\') {
                form.text += c;
                continue;
            }
            if (pos_ == text_.size()) break;
            const char e = text_[pos_++];
            switch (e) {
                case 'n': form.text += '\n'; break;
                case 'r': form.text += '\r'; break;
                case 't': form.text += '\t'; break;
                case 'e': form.text += '\x1b'; break;
                default:
                    if (e >= '0' && e <= '7') {
                        // Up to three octal digits give one character code.
                        int code = e - '0';
                        for (int i = 0; i < 2 && pos_ < text_.size() && text_[pos_] >= '0' &&
                                        text_[pos_] <= '7';
                             ++i) {
                            code = code * 8 + (text_[pos_++] - '0');
                        }
                        form.text += static_cast<char>(code & 0xFF);
                    } else {
                        form.text += e;  // \" and \\ among them
                    }
            }
        }
        throw LispError("malformed string on input");
    }

    LispForm ReadAtom() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsDelimiter(text_[pos_])) ++pos_;
        const std::string_view atom = text_.substr(start, pos_ - start);
        if (auto number = NumberAtom(atom)) return *number;
        LispForm symbol;
        symbol.kind = LispForm::Kind::Symbol;
        symbol.text = UpperAsciiText(atom);
        return symbol;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// A value during evaluation. nil is the empty list; a bare (princ) gives a value that is not
// echoed.
struct Value {
    LispForm form;
    bool quiet = false;
};

Value Nil() {
    return {};
}

std::string RealText(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    // A real keeps its point so that it reads back as a real.
    if (text.find_first_of(".eE") == std::string::npos) text += ".0";
    return text;
}

// The printed form; strings quoted unless printing as princ does.
std::string Print(const LispForm& f, bool quoteStrings) {
    switch (f.kind) {
        case LispForm::Kind::Integer: return std::to_string(f.integer);
        case LispForm::Kind::Real: return RealText(f.real);
        case LispForm::Kind::String: return quoteStrings ? "\"" + f.text + "\"" : f.text;
        case LispForm::Kind::Symbol: return f.text;
        case LispForm::Kind::List: {
            if (f.items.empty()) return "nil";
            std::string out = "(";
            for (std::size_t i = 0; i < f.items.size(); ++i) {
                if (i > 0) out += ' ';
                out += Print(f.items[i], quoteStrings);
            }
            return out + ")";
        }
    }
    return {};
}

class Evaluator {
public:
    Evaluator(CommandLine& line, Document& document) : line_(line), document_(document) {}

    Value Eval(const LispForm& f) {
        switch (f.kind) {
            case LispForm::Kind::Integer:
            case LispForm::Kind::Real:
            case LispForm::Kind::String: return {f, false};
            case LispForm::Kind::Symbol:
                if (f.text == "NIL") return Nil();
                if (f.text == "T") return {f, false};
                // Nothing is ever bound here; an unbound symbol would be nil, which no call
                // this reader serves expects, so say which name was meant.
                throw LispError("unbound symbol: " + f.text);
            case LispForm::Kind::List: break;
        }
        if (f.items.empty()) return Nil();
        const LispForm& head = f.items.front();
        if (head.kind != LispForm::Kind::Symbol) {
            throw LispError("bad function: " + Print(head, true));
        }
        std::vector<Value> args;
        for (std::size_t i = 1; i < f.items.size(); ++i) args.push_back(Eval(f.items[i]));
        if (head.text == "COMMAND") return Command(args);
        if (head.text == "PRINC") return Princ(args);
        throw LispError("no function definition: " + head.text);
    }

private:
    Value Command(const std::vector<Value>& args) {
        std::vector<std::string> tokens;
        for (const Value& arg : args) {
            const LispForm& a = arg.form;
            switch (a.kind) {
                case LispForm::Kind::String: tokens.push_back(a.text); break;
                case LispForm::Kind::Integer: tokens.push_back(std::to_string(a.integer)); break;
                case LispForm::Kind::Real: tokens.push_back(RealText(a.real)); break;
                default: throw LispError("bad argument type: " + Print(a, true));
            }
        }
        if (!tokens.empty()) line_.Execute(tokens);
        return Nil();
    }

    Value Princ(const std::vector<Value>& args) {
        if (args.empty()) return {LispForm{}, true};
        if (args.size() > 1) throw LispError("too many arguments");
        document_.Log(Print(args.front().form, false));
        return args.front();
    }

    CommandLine& line_;
    Document& document_;
};

}  // namespace

std::vector<LispForm> ReadLisp(std::string_view text) {
    return Reader(text).ReadAll();
}

void EvaluateLisp(std::string_view expression, CommandLine& line, Document& document) {
    try {
        const std::vector<LispForm> forms = ReadLisp(expression);
        Evaluator evaluator(line, document);
        Value last{LispForm{}, true};
        for (const LispForm& form : forms) last = evaluator.Eval(form);
        if (!last.quiet) document.Log(Print(last.form, true));
    } catch (const LispError& e) {
        document.Log(std::string("; error: ") + e.what());
    } catch (const CommandCancelled&) {
        document.Log("; error: Function cancelled");
    }
}

LispEvaluator MakeLispEvaluator(Document& document) {
    return [&document](std::string_view expression, CommandLine& line) {
        EvaluateLisp(expression, line, document);
    };
}

}  // namespace tarsel::minicad
