// Reading and writing DXF drawings, ASCII or binary: R12 to current versions in, a file that
// LibreCAD and ezdxf open without complaint out. Errors name the source and the line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

class DxfError : public std::runtime_error {
public:
    DxfError(std::string source, int line, std::string message);
    [[nodiscard]] const std::string& source() const noexcept { return source_; }
    [[nodiscard]] int line() const noexcept { return line_; }  // 1-based; 0 when not tied to a line
    [[nodiscard]] const std::string& message() const noexcept { return message_; }

private:
    std::string source_;
    int line_;
    std::string message_;
};

enum class DxfVersion { R12, R2000, R2004, R2007, R2010, R2013, R2018 };

// "R12", "R2000", ... "R2018" (any case); nullopt for another name.
[[nodiscard]] std::optional<DxfVersion> DxfVersionFromName(std::string_view name);
// "AC1009", "AC1015", ... "AC1032".
[[nodiscard]] std::string_view AcadVerOf(DxfVersion version);

// What a reader passed over that a user may miss (entity kinds minicad does not hold, paper
// space, 3D polylines, attributes), one line each: "source:line: what and why".
using DxfNotes = std::vector<std::string>;

struct DxfReadOptions {
    // The code page the texts of a file before R2007 are in, whatever the file declares or
    // its bytes suggest (files from R2007 on are UTF-8); 0 to let the file decide.
    // DxfCodePage gives it from a name.
    unsigned codePage = 0;
    // A larger file is refused before it is read (2 GiB unless changed here), so that
    // a drawing from an unknown sender cannot exhaust the machine's memory.
    std::uint64_t maxFileBytes = std::uint64_t{2} << 30;
    // From this size on a second thread cuts the file into groups while the drawing is built
    // from those before; below it, starting the thread costs more than it saves. The drawing
    // and any error are the same either way.
    std::uint64_t lexAheadFromBytes = std::uint64_t{8} << 20;
};

// The code page a $DWGCODEPAGE name ("ANSI_932", "ANSI_1252", "DOS850", ...) stands for; 0
// when it is none this system can convert.
[[nodiscard]] unsigned DxfCodePage(std::string_view name);

// content is the file's bytes, ASCII or binary DXF; sourceName is used in error messages.
// notes, when given, receives what was passed over.
[[nodiscard]] Drawing ReadDxf(std::string_view content, const std::string& sourceName,
                              DxfNotes* notes = nullptr, const DxfReadOptions& options = {});
[[nodiscard]] Drawing ReadDxfFile(const std::filesystem::path& path, DxfNotes* notes = nullptr,
                                  const DxfReadOptions& options = {});

// Without a version the drawing is saved in the version it was read in (a drawing created here
// in R2018). In that version every object the model did not change is written exactly as
// read and the rest from the model. Another version converts: dropped, when given, receives
// one line for each kind of thing the target version cannot hold and that was left out.
// Binary DXF when the drawing was read from binary DXF (Drawing::binaryDxf), ASCII otherwise.
[[nodiscard]] std::string WriteDxf(const Drawing& drawing,
                                   std::optional<DxfVersion> version = std::nullopt,
                                   DxfNotes* dropped = nullptr);
// Streamed into a temporary file beside path, which is renamed into place once it is whole:
// no copy of the whole text is held (binary DXF excepted, made from the ASCII text at once).
// On any error, the drawing refused or the disk full, path is left as it was and the
// temporary file removed.
void WriteDxfFile(const std::filesystem::path& path, const Drawing& drawing,
                  std::optional<DxfVersion> version = std::nullopt, DxfNotes* dropped = nullptr);

}  // namespace tarsel::minicad
