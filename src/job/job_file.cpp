#include "job/job_file.h"

#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "text/names.h"
#include "text/numbers.h"

namespace tarsel::job {
namespace {

constexpr std::array<std::string_view, 25> kOptionKeys{
    "Kyuuseki", "Keta1",    "Keta2",   "Keta3",   "Nagasa",  "Menseki", "Goukei",
    "Syakudo",  "Jouritu",  "M_Layer", "H_Layer", "T_Layer", "M_Taka1", "N_Taka1",
    "Hankei1",  "M_Taka2",  "G_Taka",  "Haba1",   "Haba2",   "AllData", "Kakudo",
    "Leader",   "Yajirusi", "A_Hen",   "B_Hen"};
constexpr std::string_view kNextNumber = "NextNumber";

// A job file larger than this is not a hand-written session; refuse it rather than read it.
constexpr std::uintmax_t kMaxJobBytes = 16 * 1024 * 1024;

using text::IsBlank;
using text::Trim;

// The first blank-separated word and the trimmed rest.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view s) {
    s = Trim(s);
    std::size_t end = 0;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    return {s.substr(0, end), Trim(s.substr(end))};
}

constexpr auto EqualsIgnoringCase = text::EqualsIgnoringAsciiCase;

// "#" at the start of a line or after a blank begins a comment; inside a word (a layer
// name such as "A#1") it is a character.
std::string_view StripComment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || IsBlank(line[i - 1]))) return line.substr(0, i);
    }
    return line;
}

// "X,Y" (or "X,Y,Z" when allowed) with plain decimal numbers.
std::optional<JobPoint> ParsePoint(std::string_view s, bool allowZ) {
    double c[3] = {0, 0, 0};
    int n = 0;
    while (true) {
        const std::size_t comma = s.find(',');
        if (n == (allowZ ? 3 : 2)) return std::nullopt;
        // "1, 2" is two words on the line, not a point: no blanks inside.
        const std::string_view part = s.substr(0, comma);
        const std::optional<double> v = text::ParseDecimal(part);
        if (!v || text::Trim(part).size() != part.size()) return std::nullopt;
        c[n++] = *v;
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    if (n < 2) return std::nullopt;
    return JobPoint{c[0], c[1], c[2]};
}

bool IsAnswerWord(std::string_view w) {
    return EqualsIgnoringCase(w, "point") || EqualsIgnoringCase(w, "pick") ||
           EqualsIgnoringCase(w, "select") || EqualsIgnoringCase(w, "cancel");
}

}  // namespace

JobError::JobError(std::string source, int line, std::string message)
    : std::runtime_error(source + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         message),
      source_(std::move(source)),
      line_(line),
      message_(std::move(message)) {}

std::span<const std::string_view> JobOptionKeys() {
    return kOptionKeys;
}

std::string_view CanonicalOptionKey(std::string_view name) {
    for (std::string_view k : kOptionKeys)
        if (EqualsIgnoringCase(k, name)) return k;
    if (EqualsIgnoringCase(kNextNumber, name)) return kNextNumber;
    return {};
}

JobAnswer ParseAnswerLine(std::string_view line, const std::string& source, int lineNumber) {
    auto [word, rest] = SplitWord(StripComment(line));
    auto fail = [&](const std::string& message) -> JobError {
        return JobError(source, lineNumber, message);
    };
    JobAnswer a;
    a.line = lineNumber;
    if (EqualsIgnoringCase(word, "point")) {
        const std::optional<JobPoint> p = ParsePoint(rest, true);
        if (!p)
            throw fail("point needs X,Y or X,Y,Z (plain numbers, no blanks): \"" +
                       std::string(rest) + "\"");
        a.kind = JobAnswer::Kind::Point;
        a.p1 = *p;
        return a;
    }
    if (EqualsIgnoringCase(word, "pick")) {
        const std::optional<JobPoint> p = ParsePoint(rest, false);
        if (!p) throw fail("pick needs X,Y: \"" + std::string(rest) + "\"");
        a.kind = JobAnswer::Kind::Pick;
        a.p1 = *p;
        return a;
    }
    if (EqualsIgnoringCase(word, "select")) {
        if (EqualsIgnoringCase(rest, "all")) {
            a.kind = JobAnswer::Kind::SelectAll;
            return a;
        }
        auto [first, second] = SplitWord(rest);
        const std::optional<JobPoint> p1 = ParsePoint(first, false);
        const std::optional<JobPoint> p2 = ParsePoint(second, false);
        if (!p1 || !p2)
            throw fail("select needs \"all\" or two corners X1,Y1 X2,Y2: \"" + std::string(rest) +
                       "\"");
        a.kind = JobAnswer::Kind::SelectWindow;
        a.p1 = *p1;
        a.p2 = *p2;
        return a;
    }
    if (EqualsIgnoringCase(word, "cancel")) {
        if (!rest.empty())
            throw fail("cancel takes nothing after it: \"" + std::string(rest) + "\"");
        a.kind = JobAnswer::Kind::Cancel;
        return a;
    }
    throw fail("not an answer line: \"" + std::string(word) + "\"");
}

Job ParseJob(std::string_view content, const std::string& source) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    Job job;
    job.source = source;
    // The step whose prompts the answer lines belong to; set and sysvar end its answers.
    constexpr std::size_t kNoPress = static_cast<std::size_t>(-1);
    std::size_t pressStep = kNoPress;
    int lineNumber = 0;
    while (!content.empty() || lineNumber == 0) {
        ++lineNumber;
        const std::size_t nl = content.find('\n');
        const std::string_view raw = content.substr(0, nl);
        content = nl == std::string_view::npos ? std::string_view() : content.substr(nl + 1);
        if (raw.find('\0') != std::string_view::npos)
            throw JobError(source, lineNumber, "a job file is text; this line holds a NUL byte");
        const std::string_view line = Trim(StripComment(raw));
        if (line.empty()) continue;
        auto [word, rest] = SplitWord(line);
        if (EqualsIgnoringCase(word, "set")) {
            auto [key, value] = SplitWord(rest);
            const std::string_view canonical = CanonicalOptionKey(key);
            if (canonical.empty())
                throw JobError(source, lineNumber, "unknown option \"" + std::string(key) + "\"");
            if (value.empty())
                throw JobError(source, lineNumber,
                               "set " + std::string(canonical) + " needs a value");
            if (canonical == kNextNumber) {
                if (!text::ParseInteger(value))
                    throw JobError(
                        source, lineNumber,
                        "NextNumber needs a whole number: \"" + std::string(value) + "\"");
            }
            job.steps.push_back(
                {JobStep::Kind::Set, std::string(canonical), std::string(value), lineNumber, {}});
            pressStep = kNoPress;
        } else if (EqualsIgnoringCase(word, "sysvar")) {
            auto [name, value] = SplitWord(rest);
            if (name.empty() || value.empty())
                throw JobError(source, lineNumber, "sysvar needs a variable name and a value");
            job.steps.push_back(
                {JobStep::Kind::Sysvar, std::string(name), std::string(value), lineNumber, {}});
            pressStep = kNoPress;
        } else if (EqualsIgnoringCase(word, "press")) {
            if (rest.empty())
                throw JobError(source, lineNumber,
                               "press needs a button (control name or caption)");
            job.steps.push_back({JobStep::Kind::Press, std::string(rest), {}, lineNumber, {}});
            pressStep = job.steps.size() - 1;
        } else if (IsAnswerWord(word)) {
            JobAnswer answer = ParseAnswerLine(line, source, lineNumber);
            if (pressStep == kNoPress)
                throw JobError(source, lineNumber, "an answer line must follow a press line");
            job.steps[pressStep].answers.push_back(answer);
        } else {
            throw JobError(source, lineNumber, "unknown action \"" + std::string(word) + "\"");
        }
    }
    return job;
}

Job ParseJobFile(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    const std::string source(name.begin(), name.end());
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) throw JobError(source, 0, "cannot read the job file: " + ec.message());
    if (size > kMaxJobBytes) throw JobError(source, 0, "the job file is too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw JobError(source, 0, "cannot open the job file");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw JobError(source, 0, "cannot read the job file");
    return ParseJob(content, source);
}

int RunJob(const Job& job, JobTarget& target, JobCad& cad, std::ostream& out, std::ostream& err) {
    auto where = [&](const JobStep& step) {
        return job.source + ":" + std::to_string(step.line) + ": ";
    };
    auto printMessages = [&] {
        for (const JobMessage& m : target.TakeMessages())
            out << "message " << m.caption << ": " << m.text << '\n';
    };
    for (const JobStep& step : job.steps) {
        switch (step.kind) {
            case JobStep::Kind::Set: {
                const std::string why = target.SetOption(step.name, step.value);
                if (!why.empty()) {
                    err << where(step) << why << '\n';
                    return 1;
                }
                break;
            }
            case JobStep::Kind::Sysvar: {
                const std::string why = cad.SetSysvar(step.name, step.value);
                if (!why.empty()) {
                    err << where(step) << why << '\n';
                    return 1;
                }
                break;
            }
            case JobStep::Kind::Press: {
                cad.QueueAnswers(step.answers);
                if (!target.Press(step.name)) {
                    cad.QueueAnswers({});
                    err << where(step) << "unknown button \"" << step.name << "\"\n";
                    return 1;
                }
                printMessages();
                const std::size_t unused = cad.UnusedAnswers();
                if (unused > 0) {
                    err << where(step) << "warning: " << unused << " answer"
                        << (unused == 1 ? "" : "s") << " not used by \"" << step.name << "\"\n";
                }
                cad.QueueAnswers({});
                break;
            }
        }
        printMessages();
    }
    out << "next-number " << target.NextNumber() << '\n';
    return 0;
}

}  // namespace tarsel::job
