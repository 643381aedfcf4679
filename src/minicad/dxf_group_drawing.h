// A drawing as the groups of its file, uninterpreted: header variables, layer table entries,
// blocks and model-space entities, one group list per object. What a viewer of the whole
// drawing needs (minicad's model holds only what the automation uses), kept in one place so
// that it can be filled from any source of groups.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/dxf_groups.h"

namespace tarsel::minicad::dxf {

// One entity (or table entry): its type from group 0 and the groups up to the next group 0.
struct ObjectGroups {
    std::string type;  // group 0, upper-case ASCII
    int line = 0;      // of its group 0
    std::span<const Group> groups;
    // The records that belong to it: VERTEX of a POLYLINE, ATTRIB of an INSERT (SEQEND dropped).
    std::vector<ObjectGroups> followers;
};

struct BlockGroups {
    std::string name;               // group 2, decoded
    std::span<const Group> header;  // the BLOCK record's groups (base point 10/20/30)
    std::vector<ObjectGroups> entities;
};

// Value look-ups on one object's groups: the first group of a code, or a default.
[[nodiscard]] const Group* FindGroup(std::span<const Group> groups, int code);
[[nodiscard]] double RealOr(std::span<const Group> groups, int code, double fallback);
[[nodiscard]] std::int64_t IntegerOr(std::span<const Group> groups, int code,
                                     std::int64_t fallback);

class GroupDrawing {
public:
    // Cuts a file into groups and walks HEADER, TABLES (LAYER), BLOCKS and ENTITIES. Throws
    // DxfError naming sourceName when the content is not DXF groups or holds no ENTITIES.
    [[nodiscard]] static GroupDrawing FromContent(std::string content, std::string sourceName);
    [[nodiscard]] static GroupDrawing FromFile(const std::filesystem::path& path);

    [[nodiscard]] const std::string& Source() const { return source_; }
    // The value groups of a header variable ("$DIMASZ"), empty when the file has none.
    [[nodiscard]] std::span<const Group> Header(std::string_view name) const;
    [[nodiscard]] const std::vector<ObjectGroups>& Layers() const { return layers_; }
    [[nodiscard]] const std::vector<ObjectGroups>& Entities() const { return entities_; }
    // By name, case-insensitively (block names are); nullptr when there is no such block.
    [[nodiscard]] const BlockGroups* FindBlock(std::string_view name) const;
    [[nodiscard]] std::size_t BlockCount() const { return blocks_.size(); }

    // A string value as UTF-8, decoded as the reader decodes it (the file's code page, then
    // carets and \U+ / \M+ escapes). Never fails: bytes that fit nothing are shown as U+FFFD.
    [[nodiscard]] std::string Text(const Group& group) const;
    // As Text, but only the code page: escapes are left for a caller that has its own
    // (MTEXT formatting).
    [[nodiscard]] std::string RawText(const Group& group) const;
    [[nodiscard]] unsigned CodePage() const { return codePage_; }

private:
    GroupDrawing() = default;
    void Walk();

    // The groups point into content_; both are heap-held so a moved drawing keeps them valid.
    std::unique_ptr<std::string> content_;
    std::shared_ptr<const std::string>
        binaryText_;  // what the groups of a binary file or one read from disk point into
    std::vector<Group> groups_;
    std::string source_;
    unsigned codePage_ = 0;
    std::map<std::string, std::span<const Group>, std::less<>> header_;
    std::vector<ObjectGroups> layers_;
    std::vector<ObjectGroups> entities_;
    std::map<std::string, BlockGroups, std::less<>> blocks_;  // by upper-case name
};

}  // namespace tarsel::minicad::dxf
