// Files the program writes for the user (drawings, settings, lists, fragments) are replaced
// whole or not at all: a crash or a full disk must never leave half a file where the old one was.
#pragma once

#include <filesystem>
#include <functional>
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
// A read-only path is refused, as Windows refuses to replace it, even where the system would
// let the rename through (a POSIX rename needs only the folder to be writable).
void WriteFileWhole(const std::filesystem::path& path, std::string_view bytes);

// Appends bytes to the file being written; raises FileWriteError when they cannot be written.
using ByteSink = std::function<void(std::string_view bytes)>;

// WriteFileWhole for content made in pieces, so that no copy of the whole file is held: produce
// hands every piece to the sink it is given. Whatever produce throws removes the temporary file
// and leaves path as it was before the exception goes on.
void WriteFileStreamed(const std::filesystem::path& path,
                       const std::function<void(const ByteSink& sink)>& produce);

// Tests only: called with the temporary file and the target after the temporary file is
// written and closed and before the rename. An exception thrown from it leaves both files as a
// crash at that moment would (the temporary file is not removed). Empty: no hook.
using BeforeRenameHook =
    std::function<void(const std::filesystem::path& temp, const std::filesystem::path& target)>;
void SetBeforeRenameHookForTesting(BeforeRenameHook hook);

}  // namespace tarsel::platform
