// Where the running program sits: the programs of one build, and the files a program keeps
// beside itself, are found from there rather than from the working directory.
#pragma once

#include <filesystem>

namespace tarsel::platform {

// The folder of this process's executable (the full path, however long).
[[nodiscard]] std::filesystem::path ExecutableFolder();
// The executable itself; files kept beside it are named after it (Tarsel2025.ini).
[[nodiscard]] std::filesystem::path ExecutablePath();

}  // namespace tarsel::platform
