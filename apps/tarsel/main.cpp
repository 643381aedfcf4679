// The tarsel command-line program: one subcommand per task, found by name in the table below.
#include <algorithm>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "subcommands.h"

#ifdef _WIN32
#include <filesystem>
#endif

namespace tarsel::app {

namespace {

struct Subcommand {
    std::string_view name;
    std::string_view summary;  // one line for tarsel --help
    int (*run)(std::span<const std::string> args, std::ostream& out, std::ostream& err);
};

// A new subcommand is a file with its Run function (declared in subcommands.h) and a row here.
constexpr Subcommand kSubcommands[] = {
    {"triangulate", "split an outline read from a text file into triangles", RunTriangulate},
    {"table", "print the area table of a drawing's tagged triangles", RunTable},
    {"run", "open a drawing, run a palette session from a job file, save the drawing", RunRun},
    {"settings", "show or change the palette's settings file", RunSettings},
    {"render", "write an SVG picture of a drawing's model space", RunRender},
};

void PrintHelp(std::ostream& out) {
    out << "Usage: tarsel COMMAND [ARGS...]\n\n"
           "Land-area computation by triangles, from the command line.\n\n"
           "Commands:\n";
    std::size_t width = 0;
    for (const Subcommand& command : kSubcommands) width = std::max(width, command.name.size());
    for (const Subcommand& command : kSubcommands) {
        out << "  " << command.name << std::string(width - command.name.size() + 3, ' ')
            << command.summary << '\n';
    }
    out << "\n'tarsel COMMAND --help' describes a command.\n";
}

int Main(std::span<const std::string> args) {
    if (args.empty()) {
        PrintHelp(std::cerr);
        return kExitBadInput;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        PrintHelp(std::cout);
        return kExitOk;
    }
    for (const Subcommand& command : kSubcommands) {
        if (args[0] == command.name) return command.run(args.subspan(1), std::cout, std::cerr);
    }
    std::cerr << "tarsel: unknown command '" << args[0] << "'\nTry 'tarsel --help'.\n";
    return kExitBadInput;
}

}  // namespace

}  // namespace tarsel::app

#ifdef _WIN32
// Arguments arrive as UTF-16 so that file names in any script survive; inside they are UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int k = 1; k < argc; ++k) {
        const std::u8string text = std::filesystem::path(argv[k]).u8string();
        args.emplace_back(text.begin(), text.end());
    }
    return tarsel::app::Main(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return tarsel::app::Main(args);
}
#endif
