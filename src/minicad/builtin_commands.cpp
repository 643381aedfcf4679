// Every command minicad's command line knows, registered in one place. A command lives in
// its own file with a Register...Command function; adding one is adding that file and one
// line below.
#include "minicad/command_line.h"

namespace tarsel::minicad {

void RegisterViewCommands(CommandLine& line);
void RegisterBoundaryCommand(CommandLine& line);
void RegisterInsertCommand(CommandLine& line);
void RegisterMoveCommand(CommandLine& line);
void RegisterLeaderCommand(CommandLine& line);

void RegisterBuiltinCommands(CommandLine& line) {
    RegisterViewCommands(line);
    RegisterBoundaryCommand(line);
    RegisterInsertCommand(line);
    RegisterMoveCommand(line);
    RegisterLeaderCommand(line);
}

}  // namespace tarsel::minicad
