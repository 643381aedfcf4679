// The list of target CADs the user keeps beside the executable: one line per CAD, its display
// name, a TAB, its ProgID. Read in the file's own encoding and written back in it, whole.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "options/text_file_encoding.h"

namespace tarsel::options {

inline constexpr std::string_view kCadListFileName = "TargetCAD_APIVersion.txt";

// The list file could not be read or written; the message names the file and the reason.
class CadListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lines of a list file, with what a save needs to write them back unchanged.
struct CadListFile {
    std::vector<std::string> lines;  // UTF-8, in file order
    // A list never loaded from a file is written in the encoding of a new file.
    TextEncoding encoding = NewFileEncoding();
    // Each line's bytes as read, by its text: a line written back unchanged keeps them even
    // where a code page has two byte forms of one character.
    std::map<std::string, std::string> bytesOfLine;
};

// Lines end with CR LF, a lone CR or a lone LF; a line end at the very end of the file does
// not start another line. nullopt when the file does not exist; CadListFileError when it
// exists but cannot be read, or a line is not valid in the file's encoding (a save would lose
// it).
[[nodiscard]] std::optional<CadListFile> LoadCadListFile(const std::filesystem::path& path);
[[nodiscard]] CadListFile ParseCadList(std::string_view bytes);  // raises CadListFileError

// Every line, in the order given, each ended by CR LF, in the encoding of `from` (with its
// byte-order mark). A line the code page cannot hold turns the whole file into UTF-8 with a
// byte-order mark rather than losing characters. Returns the bytes and their encoding.
struct CadListBytes {
    std::string bytes;
    TextEncoding encoding;
};
[[nodiscard]] CadListBytes SerializeCadList(const std::vector<std::string>& lines,
                                            const CadListFile& from);
// Serializes and replaces the file whole; on failure the file is as it was and
// CadListFileError names it. `from` becomes what was written.
void SaveCadListFile(const std::filesystem::path& path, const std::vector<std::string>& lines,
                     CadListFile& from);

// A line's name (before the first TAB) and ProgID (after it; later TABs belong to it). A line
// without a TAB has an empty name and is all ProgID.
struct CadListEntry {
    std::string name;
    std::string progId;
};
[[nodiscard]] CadListEntry SplitCadListLine(std::string_view line);

// The order of the dialog's list: ASCII letters compared without case, everything else by
// code point; texts equal but for case are ordered by their exact text.
[[nodiscard]] bool CadListLess(std::string_view a, std::string_view b);

}  // namespace tarsel::options
