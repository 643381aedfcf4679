#include "options/cad_list_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/file_write.h"
#include "text/paths.h"

namespace tarsel::options {
namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

CadListFile ParseCadList(std::string_view bytes) {
    CadListFile list;
    list.encoding = DetectTextEncoding(bytes);
    const std::string_view body = bytes.substr(ByteOrderMark(list.encoding).size());
    std::size_t number = 0;
    for (const RawLine& raw : SplitRawLines(body, list.encoding)) {
        ++number;
        auto text = DecodeText(raw.bytes, list.encoding);
        if (!text) {
            throw CadListFileError("line " + std::to_string(number) + " is not valid " +
                                   EncodingName(list.encoding) + " text");
        }
        list.bytesOfLine.emplace(*text, raw.bytes);
        list.lines.push_back(std::move(*text));
    }
    return list;
}

std::optional<CadListFile> LoadCadListFile(const std::filesystem::path& path) {
    const std::string name = text::Utf8FromPath(path);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
    if (ec || std::filesystem::is_directory(status)) {
        throw CadListFileError("cannot read " + name + ": " +
                               (ec ? ec.message() : std::string("it is a folder")));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CadListFileError("cannot read " + name + ": cannot open it");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw CadListFileError("cannot read " + name + ": read error");
    try {
        return ParseCadList(bytes);
    } catch (const CadListFileError& e) {
        throw CadListFileError("cannot read " + name + ": " + e.what());
    }
}

CadListBytes SerializeCadList(const std::vector<std::string>& lines, const CadListFile& from) {
    const auto encodeAll = [&](const TextEncoding& to) -> std::optional<std::string> {
        std::string out(ByteOrderMark(to));
        const std::string end = *EncodeText("\r\n", to);
        for (const std::string& line : lines) {
            const auto kept = from.bytesOfLine.find(line);
            if (to == from.encoding && kept != from.bytesOfLine.end()) {
                out += kept->second;
            } else {
                const auto bytes = EncodeText(line, to);
                if (!bytes) return std::nullopt;
                out += *bytes;
            }
            out += end;
        }
        return out;
    };
    if (auto bytes = encodeAll(from.encoding)) return {std::move(*bytes), from.encoding};
    const TextEncoding utf8Bom{TextEncodingKind::kUtf8Bom};
    auto bytes = encodeAll(utf8Bom);
    if (!bytes) throw CadListFileError("a line of the list is not valid text");
    return {std::move(*bytes), utf8Bom};
}

void SaveCadListFile(const std::filesystem::path& path, const std::vector<std::string>& lines,
                     CadListFile& from) {
    CadListBytes out;
    try {
        out = SerializeCadList(lines, from);
        platform::WriteFileWhole(path, out.bytes);
    } catch (const CadListFileError& e) {
        throw CadListFileError("cannot save " + text::Utf8FromPath(path) + ": " + e.what());
    } catch (const platform::FileWriteError& e) {
        throw CadListFileError(e.what());
    }
    from = ParseCadList(out.bytes);
}

CadListEntry SplitCadListLine(std::string_view line) {
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos) return {{}, std::string(line)};
    return {std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))};
}

bool CadListLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        // UTF-8 bytes compare in code point order.
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace tarsel::options
