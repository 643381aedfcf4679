#include "minicad/user_input.h"

namespace tarsel::minicad {

ScriptedInput::ScriptedInput(std::vector<Answer> answers)
    : queue_(std::make_move_iterator(answers.begin()), std::make_move_iterator(answers.end())) {}

Answer ScriptedInput::Ask(PromptKind /*kind*/, std::string_view prompt) {
    prompts_.emplace_back(prompt);
    if (queue_.empty()) return Answer::MakeCancel();
    Answer a = std::move(queue_.front());
    queue_.pop_front();
    return a;
}

}  // namespace tarsel::minicad
