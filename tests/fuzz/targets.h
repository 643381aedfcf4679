// The bodies of the fuzz targets, shared by the libFuzzer executables (fuzz preset) and the
// ordinary test that replays every seed and every input that ever failed. A body returns
// normally for input it handles well (read, or refused with the reader's own error) and
// stops the process with a message for anything else: a property broken, an exception the
// reader does not document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarsel::fuzz {

using Input = std::span<const std::uint8_t>;

void FuzzDxf(Input input);          // read, save, read again: the same objects and names
void FuzzJobFile(Input input);      // a job file, and each line as an answer line
void FuzzOutline(Input input);      // outline text, then the split: sound or a clean failure
void FuzzSettings(Input input);     // settings file and CAD list: read, write, read back
void FuzzCommandLine(Input input);  // typed text and AutoLISP at minicad's command line
void FuzzCodePages(Input input);    // decoding and encoding in the code pages we read

struct Target {
    std::string_view name;  // also the folder of its seeds and reproducers
    void (*run)(Input);
};
// Every target, in one table for the replaying test and the fuzz executables.
inline constexpr Target kTargets[] = {
    {"dxf", FuzzDxf},           {"job_file", FuzzJobFile},         {"outline", FuzzOutline},
    {"settings", FuzzSettings}, {"command_line", FuzzCommandLine}, {"code_pages", FuzzCodePages},
};

// Reports a broken property and aborts, so both libFuzzer and the test see a failure.
[[noreturn]] void Broken(std::string_view target, std::string_view what);

[[nodiscard]] inline std::string_view AsText(Input input) {
    return {reinterpret_cast<const char*>(input.data()), input.size()};
}

}  // namespace tarsel::fuzz
