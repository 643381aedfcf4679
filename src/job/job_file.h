// Job files for `tarsel run` (and answer files for minicad-server): a session at the palette
// written down, one action per line. Parsing is pure and checks every line before anything
// runs; RunJob drives a JobTarget (the palette) and a JobCad (the CAD's user and variables).
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::job {

struct JobPoint {
    double x = 0;
    double y = 0;
    double z = 0;
    friend bool operator==(const JobPoint&, const JobPoint&) = default;
};

// A user's answer to one CAD prompt.
struct JobAnswer {
    enum class Kind : std::uint8_t {
        Point,         // point X,Y[,Z]
        Pick,          // pick X,Y: the entity under that point
        SelectWindow,  // select X1,Y1 X2,Y2: a crossing window
        SelectAll,     // select all
        Cancel,        // cancel: Escape
    };
    Kind kind = Kind::Cancel;
    JobPoint p1;
    JobPoint p2;
    int line = 0;  // 1-based line in the job file
    friend bool operator==(const JobAnswer&, const JobAnswer&) = default;
};

struct JobStep {
    enum class Kind : std::uint8_t { Set, Sysvar, Press };
    Kind kind = Kind::Press;
    std::string name;   // Set: the settings key as listed; Sysvar: the variable as written;
                        // Press: the button's control name or caption
    std::string value;  // Set and Sysvar: the rest of the line, trimmed
    int line = 0;
    std::vector<JobAnswer> answers;  // Press: the answers to its prompts, in order
};

struct Job {
    std::string source;  // file name for messages
    std::vector<JobStep> steps;
};

// A malformed job line: "FILE:LINE: message" (line 0 and "FILE: message" for the file as a whole).
class JobError : public std::runtime_error {
public:
    JobError(std::string source, int line, std::string message);
    [[nodiscard]] const std::string& source() const noexcept { return source_; }
    [[nodiscard]] int line() const noexcept { return line_; }
    [[nodiscard]] const std::string& message() const noexcept { return message_; }

private:
    std::string source_;
    int line_;
    std::string message_;
};

// The settings keys `set` accepts (besides NextNumber), as the settings file names them.
[[nodiscard]] std::span<const std::string_view> JobOptionKeys();
// The key as listed when name matches one (case-insensitive), else empty.
[[nodiscard]] std::string_view CanonicalOptionKey(std::string_view name);

// Raises JobError for the first malformed line. A UTF-8 byte-order mark and CR LF line
// ends are accepted; "#" at the start of a line or after a blank starts a comment.
[[nodiscard]] Job ParseJob(std::string_view content, const std::string& source);
[[nodiscard]] Job ParseJobFile(const std::filesystem::path& path);
// One answer line ("point 1,2", "pick 3,4", "select all", "cancel"); raises JobError.
[[nodiscard]] JobAnswer ParseAnswerLine(std::string_view line, const std::string& source,
                                        int lineNumber);

// A message box the palette showed.
struct JobMessage {
    std::string caption;
    std::string text;
};

// The palette as a job drives it. The controller implements it; until then `tarsel run`
// uses a target that knows no buttons.
class JobTarget {
public:
    virtual ~JobTarget() = default;
    // Sets an option by its settings key ("NextNumber" for the number counter). Returns
    // an empty text when accepted, otherwise why not.
    virtual std::string SetOption(std::string_view key, std::string_view value) = 0;
    // Clicks a button by control name or caption; false when there is no such button.
    virtual bool Press(std::string_view button) = 0;
    [[nodiscard]] virtual int NextNumber() const = 0;
    // Message boxes shown since the last call, oldest first.
    virtual std::vector<JobMessage> TakeMessages() = 0;
};

// The CAD side of a job: its system variables and the user at its prompts.
class JobCad {
public:
    virtual ~JobCad() = default;
    // Empty when set, otherwise why not.
    virtual std::string SetSysvar(std::string_view name, std::string_view value) = 0;
    // Replaces the queued answers with these.
    virtual void QueueAnswers(std::span<const JobAnswer> answers) = 0;
    // Answers still queued (then dropped by the next QueueAnswers).
    [[nodiscard]] virtual std::size_t UnusedAnswers() const = 0;
};

// Runs the steps in order. Prints "message CAPTION: TEXT" for every message box, a warning
// on err for answers a command left unused, and "next-number N" at the end. Returns 0, or
// 1 after printing "SOURCE:LINE: reason" when a step cannot run (unknown button, option or
// variable refused); steps after it do not run.
int RunJob(const Job& job, JobTarget& target, JobCad& cad, std::ostream& out, std::ostream& err);

}  // namespace tarsel::job
