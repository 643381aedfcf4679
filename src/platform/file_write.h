// Files the program writes for the user (drawings, settings, lists, fragments) are replaced
// whole or not at all: a crash or a full disk must never leave half a file where the old one was.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarsel::platform {

// Why a file could not be written; the message names the file and the system's reason.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes bytes to a temporary file of its own beside path, then renames it over path. On any
// failure the temporary file is removed, path is left as it was, and FileWriteError is raised.
void WriteFileWhole(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tarsel::platform
