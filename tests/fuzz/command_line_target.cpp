// Text typed at minicad's command line, AutoLISP among it, as Document.SendCommand passes it
// from the palette: commands run or are rejected on the log, prompts nobody answers are
// cancelled, and nothing escapes.
#include <algorithm>
#include <string>

#include "minicad/application.h"
#include "minicad/command_line.h"
#include "minicad/lisp.h"
#include "targets.h"

namespace tarsel::fuzz {

void FuzzCommandLine(Input input) {
    // -INSERT reads a drawing named at the prompt; with no folder separators it can only name
    // a file in the working folder, never a device or someone's drawing elsewhere.
    std::string text(AsText(input));
    std::replace(text.begin(), text.end(), '/', '_');
    std::replace(text.begin(), text.end(), '\\', '_');

    try {
        (void)minicad::ReadLisp(text);
    } catch (const minicad::LispError&) {
    }
    std::string pending;
    (void)minicad::Tokenize(text, &pending);
    if (const auto point = minicad::ParsePointText(text)) {
        const auto back = minicad::ParsePointText(minicad::FormatPoint(*point));
        if (!back || !(*back == *point)) Broken("command_line", "a point does not read back");
    }

    const auto application = minicad::Application::Create();
    application->commandLine().Send(text);
    application->commandLine().Send("\n");  // whatever was still waiting for its Enter
}

}  // namespace tarsel::fuzz
