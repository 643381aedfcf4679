// The user at minicad's prompts. Every prompt (Utility.GetPoint, GetEntity, SelectOnScreen
// and the prompts of commands whose queued input has run out) asks a UserInput for one
// answer. ScriptedInput answers from a queue; an empty queue answers like the Escape key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

// What minicad is asking for.
enum class PromptKind : std::uint8_t {
    Point,      // a point (GetPoint, a command's point prompt)
    Entity,     // one entity, picked at a point (GetEntity)
    Selection,  // an on-screen selection (SelectOnScreen, a command's "Select objects")
    Text,       // a typed value (a number, a keyword, a name) at a command prompt
};

// One answer, as a user would give it. How minicad reads an answer that does not match the
// prompt is fixed and is what a click would do:
//   Point prompt:     Point and Pick give their point; Text is read as "x,y[,z]";
//                     a selection answer cancels the prompt.
//   Entity prompt:    Point and Pick pick at their point (nothing there: the prompt fails);
//                     Text and selection answers cancel the prompt.
//   Selection prompt: SelectWindow is a crossing window, SelectAll takes every entity,
//                     Point and Pick take the entity under the point (one click, then
//                     Enter); Text cancels. The prompt's filter applies to all of them.
//   Text prompt:      Text is typed in; Point and Pick type "x,y,z"; a selection cancels.
//   Cancel (and an exhausted queue) is the Escape key at any prompt.
struct Answer {
    enum class Kind : std::uint8_t { Point, Pick, SelectWindow, SelectAll, Text, Cancel };
    Kind kind = Kind::Cancel;
    Point3 p1;         // Point, Pick, first corner of SelectWindow
    Point3 p2;         // second corner of SelectWindow
    std::string text;  // Text

    static Answer MakePoint(double x, double y, double z = 0) {
        return {Kind::Point, {x, y, z}, {}, {}};
    }
    static Answer MakePick(double x, double y) { return {Kind::Pick, {x, y, 0}, {}, {}}; }
    static Answer MakeWindow(double x1, double y1, double x2, double y2) {
        return {Kind::SelectWindow, {x1, y1, 0}, {x2, y2, 0}, {}};
    }
    static Answer MakeAll() { return {Kind::SelectAll, {}, {}, {}}; }
    static Answer MakeText(std::string text) { return {Kind::Text, {}, {}, std::move(text)}; }
    static Answer MakeCancel() { return {}; }
};

class UserInput {
public:
    virtual ~UserInput() = default;
    // The user's answer to one prompt. Never throws; Escape is Kind::Cancel.
    virtual Answer Ask(PromptKind kind, std::string_view prompt) = 0;
};

// Answers from a queue, in order, whatever the prompt; an empty queue is Escape.
class ScriptedInput final : public UserInput {
public:
    ScriptedInput() = default;
    explicit ScriptedInput(std::vector<Answer> answers);

    void Push(Answer answer) { queue_.push_back(std::move(answer)); }
    // Answers queued but not asked for (a job reports them as unused).
    [[nodiscard]] std::size_t Unused() const { return queue_.size(); }
    void Clear() { queue_.clear(); }
    // Every prompt asked, in order (for tests and the job runner's diagnostics).
    [[nodiscard]] const std::vector<std::string>& Prompts() const { return prompts_; }

    Answer Ask(PromptKind kind, std::string_view prompt) override;

private:
    std::deque<Answer> queue_;
    std::vector<std::string> prompts_;
};

// Nobody at the keyboard: every prompt is cancelled.
class NoUserInput final : public UserInput {
public:
    Answer Ask(PromptKind, std::string_view) override { return Answer::MakeCancel(); }
};

}  // namespace tarsel::minicad
