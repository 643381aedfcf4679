// The little AutoLISP that minicad understands at its command prompt: enough to read and run
// (command "_-INSERT" "name" "S" 1 "R" 0)(princ), as the palette sends to place a block.
// Anything beyond that reader and those functions is rejected on the command log, as a CAD
// without the function would reject it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/command_line.h"
#include "minicad/document.h"

namespace tarsel::minicad {

// One read expression. Symbols are upper-cased as AutoLISP reads them.
struct LispForm {
    enum class Kind : std::uint8_t { Integer, Real, String, Symbol, List };
    Kind kind = Kind::List;
    std::int32_t integer = 0;
    double real = 0;
    std::string text;             // String: its characters (escapes resolved); Symbol: its name
    std::vector<LispForm> items;  // List
};

// A reading or evaluation error; what() is the text after "; error: ".
class LispError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every top-level expression of text, in order. Raises LispError for text that is not a
// sequence of complete expressions (unbalanced parentheses, an open string, a quote or a
// comment, which this reader does not take, or nesting deeper than a person would type).
[[nodiscard]] std::vector<LispForm> ReadLisp(std::string_view text);

// Reads and evaluates the expressions in order. `command` runs a command through
// line.Execute with its arguments as typed input (strings as they are, numbers in decimal),
// then leaves the command to ask the user for whatever it still needs; `princ` writes its
// argument to the log, and with none ends quietly. The value of the last expression is
// echoed unless it came from a bare (princ). Errors go to the log as "; error: ..." and end
// the evaluation.
void EvaluateLisp(std::string_view expression, CommandLine& line, Document& document);

// The evaluator to hand to CommandLine::SetLispEvaluator.
[[nodiscard]] LispEvaluator MakeLispEvaluator(Document& document);

}  // namespace tarsel::minicad
