// The subcommands of the tarsel command-line program. Each takes the arguments after its name
// (UTF-8), writes results to out and messages to err, and returns the process exit code.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace tarsel::app {

// Exit codes shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;    // the work ran and did not succeed
inline constexpr int kExitBadInput = 2;  // bad arguments or a bad input file; nothing done

// tarsel triangulate FILE [--view-size V]
int RunTriangulate(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// tarsel table DRAWING.dxf [--set KEY=VALUE ...] [--csv]
int RunTable(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// tarsel run DRAWING.dxf JOB [-o OUT.dxf] [--target PROGID] [--settings FILE.ini]
int RunRun(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// tarsel settings FILE.ini [--set KEY=VALUE ...]
int RunSettings(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// tarsel render DRAWING.dxf -o OUT.svg [--background dark|white]
int RunRender(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tarsel::app
