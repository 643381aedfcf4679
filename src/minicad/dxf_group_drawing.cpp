// The walk that cuts a DXF file into one group list per object, without interpreting values.
#include "minicad/dxf_group_drawing.h"

#include "minicad/dxf.h"
#include "platform/codepage.h"
#include "text/names.h"
#include "text/paths.h"
#include "text/utf8.h"

namespace tarsel::minicad::dxf {

namespace {

bool IsName(const Group& g, std::string_view name) {
    return text::Trim(g.raw) == name;
}

// Bytes that are valid in no encoding we know are shown, not refused: a viewer must show the
// rest of the drawing. Each byte that does not start valid UTF-8 becomes U+FFFD.
std::string Utf8OrReplaced(std::string_view bytes) {
    if (platform::IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0x80 && i + length <= bytes.size() &&
            platform::IsValidUtf8(bytes.substr(i, length))) {
            out.append(bytes.substr(i, length));
            i += length;
        } else if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
        } else {
            text::AppendUtf8(out, U'\uFFFD');
            ++i;
        }
    }
    return out;
}

}  // namespace

const Group* FindGroup(std::span<const Group> groups, int code) {
    for (const Group& g : groups)
        if (g.code == code) return &g;
    return nullptr;
}

double RealOr(std::span<const Group> groups, int code, double fallback) {
    const Group* g = FindGroup(groups, code);
    return g ? g->real : fallback;
}

std::int64_t IntegerOr(std::span<const Group> groups, int code, std::int64_t fallback) {
    const Group* g = FindGroup(groups, code);
    return g ? g->integer : fallback;
}

GroupDrawing GroupDrawing::FromContent(std::string content, std::string sourceName) {
    GroupDrawing drawing;
    drawing.source_ = std::move(sourceName);
    drawing.content_ = std::make_unique<std::string>(std::move(content));
    LexedFile lexed = LexFile(*drawing.content_, drawing.source_);
    drawing.groups_ = std::move(lexed.groups);
    drawing.binaryText_ = std::move(lexed.text);
    drawing.Walk();
    return drawing;
}

GroupDrawing GroupDrawing::FromFile(const std::filesystem::path& path) {
    const std::string source = text::Utf8FromPath(path);
    GroupDrawing drawing;
    drawing.source_ = source;
    LexedFile lexed = LexFile(path, source, kDefaultMaxFileBytes);
    drawing.groups_ = std::move(lexed.groups);
    drawing.binaryText_ = std::move(lexed.text);
    drawing.Walk();
    return drawing;
}

void GroupDrawing::Walk() {
    const std::span<const Group> all(groups_);
    std::size_t i = 0;
    // The groups after groups[i] (a group 0) up to the next group 0.
    auto record = [&](std::size_t at) {
        std::size_t end = at + 1;
        while (end < all.size() && all[end].code != 0) ++end;
        return all.subspan(at + 1, end - at - 1);
    };
    auto object = [&](std::size_t at) {
        const std::span<const Group> groups = record(at);
        return ObjectGroups{text::UpperAscii(text::Trim(all[at].raw)), all[at].line, groups, {}};
    };
    // Entities up to a group 0 that is none of them (ENDSEC, ENDBLK), with VERTEX and ATTRIB
    // records gathered under the entity they follow.
    auto entities = [&](std::vector<ObjectGroups>& out) {
        while (i < all.size() && all[i].code == 0 && !IsName(all[i], "ENDSEC") &&
               !IsName(all[i], "ENDBLK") && !IsName(all[i], "EOF")) {
            ObjectGroups entity = object(i);
            i += entity.groups.size() + 1;
            if (entity.type == "SEQEND") continue;
            if ((entity.type == "VERTEX" || entity.type == "ATTRIB") && !out.empty()) {
                out.back().followers.push_back(std::move(entity));
                continue;
            }
            out.push_back(std::move(entity));
        }
    };
    bool sawEntities = false;
    while (i < all.size()) {
        if (all[i].code != 0 || !IsName(all[i], "SECTION") || i + 1 >= all.size() ||
            all[i + 1].code != 2) {
            ++i;
            continue;
        }
        const std::string_view name = text::Trim(all[i + 1].raw);
        i += 2;
        if (name == "HEADER") {
            while (i < all.size() && !(all[i].code == 0)) {
                if (all[i].code != 9) {
                    ++i;
                    continue;
                }
                const std::size_t start = i + 1;
                std::size_t end = start;
                while (end < all.size() && all[end].code != 9 && all[end].code != 0) ++end;
                header_.emplace(std::string(text::Trim(all[i].raw)),
                                all.subspan(start, end - start));
                i = end;
            }
        } else if (name == "TABLES") {
            bool inLayers = false;
            while (i < all.size() && !(all[i].code == 0 && IsName(all[i], "ENDSEC"))) {
                if (all[i].code == 0 && IsName(all[i], "TABLE")) {
                    const Group* kind = FindGroup(record(i), 2);
                    inLayers = kind && IsName(*kind, "LAYER");
                } else if (all[i].code == 0 && IsName(all[i], "LAYER") && inLayers) {
                    layers_.push_back(object(i));
                }
                ++i;
            }
        } else if (name == "BLOCKS") {
            while (i < all.size() && !(all[i].code == 0 && IsName(all[i], "ENDSEC"))) {
                if (!(all[i].code == 0 && IsName(all[i], "BLOCK"))) {
                    ++i;
                    continue;
                }
                BlockGroups block;
                block.header = record(i);
                if (const Group* blockName = FindGroup(block.header, 2))
                    block.name = Text(*blockName);
                i += block.header.size() + 1;
                entities(block.entities);
                if (i < all.size() && IsName(all[i], "ENDBLK")) ++i;
                // The first of two blocks of the same name wins, as in the reader.
                blocks_.emplace(text::UpperAscii(block.name), std::move(block));
            }
        } else if (name == "ENTITIES") {
            sawEntities = true;
            entities(entities_);
        }
        // Skips the rest of the section (CLASSES, OBJECTS, ...) up to its ENDSEC.
        while (i < all.size() && !(all[i].code == 0 && IsName(all[i], "ENDSEC"))) ++i;
    }
    if (!sawEntities) throw DxfError(source_, 0, "not a DXF drawing: there is no ENTITIES section");

    // As the reader: $ACADVER from R2007 (AC1021) on means UTF-8, before that $DWGCODEPAGE,
    // and a file without one is in the code page its bytes show.
    int release = 0;
    const auto version = Header("$ACADVER");
    if (!version.empty()) {
        const std::string_view v = text::Trim(version.front().raw);
        if (v.size() == 6 && v.starts_with("AC")) {
            for (char c : v.substr(2))
                release = (c >= '0' && c <= '9') ? release * 10 + (c - '0') : -1;
        }
    }
    if (release >= 1021) {
        codePage_ = platform::kCodePageUtf8;
    } else {
        const auto page = Header("$DWGCODEPAGE");
        codePage_ = page.empty() ? 0 : CodePageFromName(page.front().raw);
        if (codePage_ == 0) codePage_ = GuessCodePage(groups_);
        if (codePage_ == 0) codePage_ = platform::kCodePageWestern;
    }
    // Block names were decoded before the code page was known; decode them again.
    std::map<std::string, BlockGroups, std::less<>> blocks;
    for (auto& [key, block] : blocks_) {
        if (const Group* blockName = FindGroup(block.header, 2)) block.name = Text(*blockName);
        blocks.emplace(text::UpperAscii(block.name), std::move(block));
    }
    blocks_ = std::move(blocks);
}

std::span<const Group> GroupDrawing::Header(std::string_view name) const {
    const auto found = header_.find(name);
    return found == header_.end() ? std::span<const Group>() : found->second;
}

const BlockGroups* GroupDrawing::FindBlock(std::string_view name) const {
    const auto found = blocks_.find(text::UpperAscii(name));
    return found == blocks_.end() ? nullptr : &found->second;
}

std::string GroupDrawing::RawText(const Group& group) const {
    if (auto utf8 =
            platform::DecodeCodePage(group.raw, codePage_ ? codePage_ : platform::kCodePageUtf8))
        return std::move(*utf8);
    // Some exporters write UTF-8 whatever code page they declare, as the reader allows.
    return Utf8OrReplaced(group.raw);
}

std::string GroupDrawing::Text(const Group& group) const {
    std::string utf8 = RawText(group);
    if (auto decoded = DecodeText(utf8, true)) return std::move(*decoded);
    return utf8;
}

}  // namespace tarsel::minicad::dxf
