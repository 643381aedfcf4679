// Reading ASCII DXF (R12 to current) into minicad's drawing records. The file is cut into
// groups first (numbers checked once), then parsed section by section with a pull cursor.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <span>

#include "geometry/ocs.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"
#include "minicad/xdata_codes.h"
#include "platform/codepage.h"
#include "text/names.h"

namespace tarsel::minicad {
namespace {

using dxf::Cursor;
using dxf::Group;
using text::UpperAscii;

// How the string values of a file are to be decoded.
struct Encoding {
    unsigned codePage = 0;  // of the bytes; UTF-8 from R2007 on
    int release = 1009;     // "AC1032" -> 1032; files without a version are R12 or older
    unsigned declared = 0;  // $DWGCODEPAGE, 0 when absent or unknown
    unsigned saved = 0;     // the code page the drawing keeps for saving (0: none decided)
};

// $ACADVER and $DWGCODEPAGE decide how every string of the file reads, including header
// values that come before them, so they are looked up before anything is parsed.
Encoding DetectEncoding(const std::vector<Group>& groups, unsigned override) {
    std::string_view version, codePage;
    bool inHeader = false;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        const Group& g = groups[i];
        if (g.code == 0) {
            if (inHeader) break;
            if (text::Trim(g.raw) == "SECTION" && groups[i + 1].code == 2 &&
                text::Trim(groups[i + 1].raw) == "HEADER")
                inHeader = true;
            continue;
        }
        if (!inHeader || g.code != 9) continue;
        const Group& value = groups[i + 1];
        if (text::Trim(g.raw) == "$ACADVER" && value.code == 1) version = text::Trim(value.raw);
        if (text::Trim(g.raw) == "$DWGCODEPAGE" && value.code == 3)
            codePage = text::Trim(value.raw);
    }
    int release = 0;  // the number in "AC1032"; files without a version are R12 or older
    if (version.size() == 6 && version.substr(0, 2) == "AC") {
        for (char c : version.substr(2))
            release = (c >= '0' && c <= '9') ? release * 10 + (c - '0') : -1;
    }
    if (release < 1009) release = 1009;
    const unsigned declared = dxf::CodePageFromName(codePage);
    const unsigned windows = declared == platform::kCodePageUtf8 ? 0 : declared;
    if (release >= 1021) return {platform::kCodePageUtf8, release, declared, windows};
    if (override != 0) return {override, release, declared, override};
    if (declared != 0) return {declared, release, declared, windows};
    // Without a declaration the bytes decide; a file of plain ASCII leaves the choice open.
    const unsigned guessed = dxf::GuessCodePage(groups);
    if (guessed == 0) return {platform::kCodePageWestern, release, declared, 0};
    return {guessed, release, declared, guessed == platform::kCodePageUtf8 ? 0 : guessed};
}

bool IsModelOrPaperSpaceBlock(const std::string& name) {
    const std::string upper = UpperAscii(name);
    return upper == "*MODEL_SPACE" || upper.rfind("*PAPER_SPACE", 0) == 0;
}

// AcAlignment from DXF 72 (horizontal) and 73 (vertical); 72 values 3..5 ignore 73.
std::optional<TextAlignment> AlignmentFromGroups(std::int64_t h, std::int64_t v) {
    if (h < 0 || h > 5 || v < 0 || v > 3) return std::nullopt;
    if (h >= 3 || v == 0) return static_cast<TextAlignment>(h);
    static constexpr TextAlignment kTable[3][3] = {
        {TextAlignment::BottomLeft, TextAlignment::BottomCenter, TextAlignment::BottomRight},
        {TextAlignment::MiddleLeft, TextAlignment::MiddleCenter, TextAlignment::MiddleRight},
        {TextAlignment::TopLeft, TextAlignment::TopCenter, TextAlignment::TopRight},
    };
    return kTable[v - 1][h];
}

struct InsertRef {
    std::string owner;  // upper-cased block holding the INSERT, "" for model space
    std::string block;  // as written
    int line = 0;
};

class Reader {
public:
    Reader(std::string_view content, const std::string& source, DxfNotes* notes,
           const DxfReadOptions& options)
        : source_(source),
          file_(dxf::LexFile(content, source)),
          cur_(file_.groups, source_),
          notes_(notes) {
        encoding_ = DetectEncoding(file_.groups, options.codePage);
        drawing_.codePage = encoding_.saved;
        drawing_.binaryDxf = file_.binary;
        KeepGroups();
    }

    Drawing Read() {
        while (!cur_.Is(0, "EOF")) {
            if (cur_.AtEnd()) cur_.Fail("the file ends without EOF (truncated?)");
            if (!cur_.Is(0, "SECTION")) cur_.Fail("expected a SECTION, found " + Describe());
            const std::size_t sectionStart = cur_.Position();
            ++cur_;
            if (!cur_.Is(2)) cur_.Fail("a SECTION must be followed by its name (group 2)");
            const std::string name(text::Trim(cur_.Raw()));
            ++cur_;
            if (name == "HEADER") {
                const std::size_t begin = cur_.Position();
                ReadHeader();
                image_->header = Raw(begin, cur_.Position());
                image_->variables = drawing_.variables;
            } else if (name == "TABLES") {
                ReadTables();
            } else if (name == "BLOCKS") {
                ReadBlocks();
            } else if (name == "ENTITIES") {
                ReadEntities(&drawing_.entities, "");
            } else {
                SkipSection(name);
            }
            ++cur_;  // ENDSEC
            image_->sections.push_back({name, Raw(sectionStart, cur_.Position())});
        }
        Finish();
        return std::move(drawing_);
    }

private:
    std::string Describe() const {
        if (cur_.AtEnd()) return "the end of the file";
        std::string value(text::Trim(cur_.Raw()).substr(0, 40));
        for (char& c : value)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        return "group " + std::to_string(cur_.Code()) + " '" + value + "'";
    }

    // Every group into the store the kept objects share, and the handles in use, so that new
    // objects get handles above all of them.
    void KeepGroups() {
        auto store = std::make_shared<RawStore>();
        std::size_t bytes = 0;
        for (const Group& g : file_.groups) bytes += g.raw.size();
        store->bytes.reserve(bytes);
        store->items.reserve(file_.groups.size());
        std::uint64_t ceiling = 0, seed = 0;
        for (std::size_t i = 0; i < file_.groups.size(); ++i) {
            const Group& g = file_.groups[i];
            store->items.push_back({g.code, static_cast<std::uint32_t>(store->bytes.size()),
                                    static_cast<std::uint32_t>(g.raw.size())});
            store->bytes.append(g.raw);
            const int c = g.code;
            if (c == 5 || c == 105 || (c >= 320 && c <= 369) || (c >= 390 && c <= 399) ||
                c == 480 || c == 481 || c == 1005) {
                const std::uint64_t h = HexHandle(g.raw);
                if (c == 5 && i > 0 && file_.groups[i - 1].code == 9 &&
                    text::Trim(file_.groups[i - 1].raw) == "$HANDSEED")
                    seed = h;
                else if (h >= ceiling)
                    ceiling = h + 1;
            }
        }
        if (store->bytes.size() > std::numeric_limits<std::uint32_t>::max())
            throw DxfError(source_, 0, "the file is too large (over 4 GB of values)");
        store_ = std::move(store);
        image_ = std::make_shared<DxfFileImage>();
        image_->release = encoding_.release;
        image_->codePage = encoding_.release >= 1021 ? encoding_.declared : encoding_.codePage;
        image_->handleCeiling = ceiling;
        image_->handSeed = seed;
    }

    static std::uint64_t HexHandle(std::string_view raw) {
        raw = text::Trim(raw);
        if (raw.empty() || raw.size() > 16) return 0;
        std::uint64_t h = 0;
        for (char c : raw) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return 0;
            h = h * 16 + static_cast<std::uint64_t>(digit);
        }
        return h;
    }

    RawGroups Raw(std::size_t begin, std::size_t end) const {
        return RawGroups(store_, begin, end);
    }

    void Note(int line, const std::string& what) {
        if (notes_) notes_->push_back(source_ + ":" + std::to_string(line) + ": " + what);
    }

    // The string value of a group as UTF-8.
    std::string Text(const Group& g) const {
        auto utf8 = platform::DecodeCodePage(g.raw, encoding_.codePage);
        // Some exporters write UTF-8 whatever code page they declare. Bytes that are not valid
        // in the declared code page but are valid UTF-8 are taken as such, and said so.
        if (!utf8 && platform::IsValidUtf8(g.raw)) {
            utf8 = std::string(g.raw);
            if (utf8FallbackLine_ == 0) utf8FallbackLine_ = g.line + 1;
        }
        if (!utf8)
            cur_.FailAt(g.line + 1, "text that is not valid in code page " +
                                        std::to_string(encoding_.codePage));
        auto text = dxf::DecodeText(*utf8, true);
        if (!text) cur_.FailAt(g.line + 1, "a \\M+ character that is not valid in its code page");
        return std::move(*text);
    }

    std::int16_t Int16(const Group& g) const {
        if (g.integer < std::numeric_limits<std::int16_t>::min() ||
            g.integer > std::numeric_limits<std::int16_t>::max())
            cur_.FailAt(g.line + 1, "group " + std::to_string(g.code) +
                                        " is out of range: " + std::to_string(g.integer));
        return static_cast<std::int16_t>(g.integer);
    }

    std::int32_t Int32(const Group& g) const {
        if (g.integer < std::numeric_limits<std::int32_t>::min() ||
            g.integer > std::numeric_limits<std::int32_t>::max())
            cur_.FailAt(g.line + 1, "group " + std::to_string(g.code) +
                                        " is out of range: " + std::to_string(g.integer));
        return static_cast<std::int32_t>(g.integer);
    }

    // Moves to the group 0 that ends the current record (the section's own groups included).
    void SkipToGroup0() {
        while (!cur_.AtEnd() && !cur_.Is(0)) ++cur_;
    }

    void ExpectNotEnd(const std::string& where) {
        if (cur_.AtEnd()) cur_.Fail("the file ends inside " + where + " (truncated?)");
        if (cur_.Is(0, "EOF") || cur_.Is(0, "SECTION"))
            cur_.Fail(where + " is not closed by ENDSEC before " + Describe());
    }

    void SkipSection(const std::string& name) {
        for (;;) {
            SkipToGroup0();
            ExpectNotEnd("section " + name);
            if (cur_.Is(0, "ENDSEC")) return;
            ++cur_;
        }
    }

    // ---- HEADER ----

    void ReadHeader() {
        Variables& vars = drawing_.variables;
        for (;;) {
            ExpectNotEnd("the HEADER section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(9)) cur_.Fail("expected a header variable (group 9), found " + Describe());
            const std::string name(text::Trim(cur_.Raw()));
            const int line = cur_.Line();
            ++cur_;
            std::vector<const Group*> values;
            while (!cur_.AtEnd() && !cur_.Is(9) && !cur_.Is(0)) {
                values.push_back(&cur_.Current());
                ++cur_;
            }
            auto value = [&](int code) -> const Group& {
                for (const Group* g : values)
                    if (g->code == code) return *g;
                cur_.FailAt(line, name + " needs a value in group " + std::to_string(code));
            };
            if (name == "$AUNITS") {
                vars.aunits = Int32(value(70));
            } else if (name == "$ANGBASE") {
                vars.angbase = value(50).real;
            } else if (name == "$ANGDIR") {
                vars.angdir = Int32(value(70));
            } else if (name == "$SNAPMODE") {
                vars.snapmode = Int32(value(70));
            } else if (name == "$CLAYER") {
                vars.clayer = Text(value(8));
                if (vars.clayer.empty()) vars.clayer = "0";
            } else if (name == "$DIMASZ") {
                vars.dimasz = value(40).real;
            } else if (name == "$DIMSCALE") {
                vars.dimscale = value(40).real;
            } else if (name == "$DIMLDRBLK") {
                vars.dimldrblk = Text(value(1));
            }
        }
    }

    // ---- TABLES ----

    void ReadTables() {
        for (;;) {
            ExpectNotEnd("the TABLES section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(0, "TABLE")) cur_.Fail("expected a TABLE, found " + Describe());
            const int tableLine = cur_.Line();
            const std::size_t headStart = cur_.Position();
            const auto head = cur_.TakeRecord();
            std::string table;
            for (const Group& g : head)
                if (g.code == 2) table = std::string(text::Trim(g.raw));
            if (table.empty()) cur_.FailAt(tableLine, "a TABLE without its name (group 2)");
            DxfFileImage::Table kept;
            kept.name = table;
            kept.head = Raw(headStart, cur_.Position());
            for (;;) {
                ExpectNotEnd("table " + table);
                if (cur_.Is(0, "ENDTAB")) break;
                if (cur_.Is(0, "TABLE")) cur_.Fail("table " + table + " is not closed by ENDTAB");
                const int line = cur_.Line();
                const std::size_t start = cur_.Position();
                const auto entry = cur_.TakeRecord();
                const RawGroups raw = Raw(start, cur_.Position());
                if (table == "LAYER") {
                    ReadLayer(entry, line, raw);
                    continue;
                }
                if (table == "APPID") ReadAppId(entry, line);
                std::string name;
                for (const Group& g : entry)
                    if (g.code == 2) {
                        name = Text(g);
                        break;
                    }
                kept.entries.push_back({std::move(name), raw});
            }
            const std::size_t endStart = cur_.Position();
            (void)cur_.TakeRecord();  // ENDTAB and its groups
            kept.end = Raw(endStart, cur_.Position());
            image_->tables.push_back(std::move(kept));
        }
    }

    void ReadLayer(std::span<const Group> entry, int line, const RawGroups& raw) {
        Layer layer;
        layer.name.clear();
        layer.raw = raw;
        for (const Group& g : entry) {
            switch (g.code) {
                case 2: layer.name = Text(g); break;
                case 62: layer.color = Int16(g); break;
                case 6: layer.linetype = Text(g); break;
                default: break;
            }
        }
        if (layer.name.empty()) cur_.FailAt(line, "a LAYER without a name");
        if (Layer* existing = FindLayer(layer.name)) {
            *existing = layer;  // "0" is always there; the file's entry describes it
        } else {
            drawing_.layers.push_back(layer);
        }
    }

    void ReadAppId(std::span<const Group> entry, int line) {
        std::string name;
        for (const Group& g : entry)
            if (g.code == 2) name = Text(g);
        if (name.empty()) cur_.FailAt(line, "an APPID without a name");
        RegisterApp(name);
    }

    Layer* FindLayer(const std::string& name) {
        const std::string upper = UpperAscii(name);
        for (Layer& l : drawing_.layers)
            if (UpperAscii(l.name) == upper) return &l;
        return nullptr;
    }

    void RegisterApp(const std::string& name) {
        const std::string upper = UpperAscii(name);
        for (const std::string& a : drawing_.appIds)
            if (UpperAscii(a) == upper) return;
        drawing_.appIds.push_back(name);
    }

    // ---- BLOCKS ----

    void ReadBlocks() {
        for (;;) {
            ExpectNotEnd("the BLOCKS section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(0, "BLOCK")) cur_.Fail("expected a BLOCK, found " + Describe());
            const int line = cur_.Line();
            const std::size_t start = cur_.Position();
            Block block;
            for (const Group& g : cur_.TakeRecord()) {
                switch (g.code) {
                    case 2: block.name = Text(g); break;
                    case 3:
                        if (block.name.empty()) block.name = Text(g);
                        break;
                    case 10: block.base.x = g.real; break;
                    case 20: block.base.y = g.real; break;
                    case 30: block.base.z = g.real; break;
                    default: break;
                }
            }
            if (block.name.empty()) cur_.FailAt(line, "a BLOCK without a name");
            block.raw = Raw(start, cur_.Position());
            const std::string upper = UpperAscii(block.name);
            // The layout blocks hold paper space (and, in some writers, an empty copy of
            // model space); neither is a user block.
            const bool layout = IsModelOrPaperSpaceBlock(block.name);
            ReadEntities(layout ? nullptr : &block.entities, upper);
            if (!cur_.Is(0, "ENDBLK"))
                cur_.Fail("block " + block.name + " is not closed by ENDBLK");
            const std::size_t endStart = cur_.Position();
            (void)cur_.TakeRecord();
            block.rawEnd = Raw(endStart, cur_.Position());
            image_->blocks.push_back(
                {block.name, !layout, layout ? Raw(start, cur_.Position()) : RawGroups{}});
            if (layout) continue;
            if (!blockNames_.insert(upper).second)
                cur_.FailAt(line, "block " + block.name + " is defined twice");
            drawing_.blocks.push_back(std::move(block));
        }
    }

    // ---- ENTITIES (and the contents of blocks) ----

    // Reads entities up to ENDSEC (model space) or ENDBLK (a block, owner non-empty); into is
    // null for the entities of a layout block, which are passed over.
    void ReadEntities(std::vector<Entity>* into, const std::string& owner) {
        const bool inBlock = !owner.empty();
        for (;;) {
            ExpectNotEnd(inBlock ? "block " + owner : std::string("the ENTITIES section"));
            if (cur_.Is(0, "ENDSEC")) {
                if (inBlock) cur_.Fail("block " + owner + " is not closed by ENDBLK");
                return;
            }
            if (cur_.Is(0, "ENDBLK")) {
                if (!inBlock) cur_.Fail("ENDBLK outside the BLOCKS section");
                return;
            }
            if (!cur_.Is(0)) cur_.Fail("expected an entity (group 0), found " + Describe());
            if (cur_.Is(0, "BLOCK") || cur_.Is(0, "TABLE") || cur_.Is(0, "ENDTAB"))
                cur_.Fail(Describe() + " inside " +
                          (inBlock ? "block " + owner : "the ENTITIES section"));
            ReadEntity(into, owner, inBlock);
        }
    }

    struct Common {
        std::string layer = "0";
        bool paperSpace = false;
        std::vector<XdataGroup> xdata;
    };

    // Runs take on each entity-specific group and fills the groups every entity shares,
    // xdata included (everything from the first 1001 on).
    Common ReadCommon(std::span<const Group> record,
                      const std::function<void(const Group&)>& take) {
        Common common;
        std::size_t i = 0;
        for (; i < record.size() && record[i].code != 1001; ++i) {
            const Group& g = record[i];
            if (g.code == 8) {
                common.layer = Text(g);
                if (common.layer.empty()) common.layer = "0";
            } else if (g.code == 67) {
                common.paperSpace = g.integer == 1;
            } else {
                take(g);
            }
        }
        ReadXdata(record.subspan(i), common.xdata);
        return common;
    }

    void ReadXdata(std::span<const Group> groups, std::vector<XdataGroup>& out) {
        XdataGroup* current = nullptr;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const Group& g = groups[i];
            const int code = g.code;
            if (code < 1000)
                cur_.FailAt(g.line, "group " + std::to_string(code) + " after the extended data");
            if (XdataKindOfCode(code) == XdataKind::Application) {
                const std::string app = Text(g);
                if (app.empty()) cur_.FailAt(g.line, "extended data without an application name");
                RegisterApp(app);
                current = nullptr;
                for (XdataGroup& x : out)
                    if (text::EqualsIgnoringAsciiCase(x.application, app)) current = &x;
                if (!current) current = &out.emplace_back(XdataGroup{app, {}});
                continue;
            }
            if (!current) cur_.FailAt(g.line, "extended data before its application name (1001)");
            XdataItem item;
            item.code = static_cast<std::int16_t>(code);
            const std::optional<XdataKind> kind = XdataKindOfCode(code);
            if (kind && IsTextKind(*kind)) {
                item.value = cadlink::Variant(Text(g));
            } else if (kind == XdataKind::Point) {
                double xyz[3] = {g.real, 0, 0};
                if (i + 1 >= groups.size() || groups[i + 1].code != code + 10)
                    cur_.FailAt(g.line, "xdata point " + std::to_string(code) + " lacks its " +
                                            std::to_string(code + 10));
                xyz[1] = groups[++i].real;
                if (i + 1 < groups.size() && groups[i + 1].code == code + 20)
                    xyz[2] = groups[++i].real;
                item.value = cadlink::Variant::DoubleArray({xyz[0], xyz[1], xyz[2]});
            } else if (kind == XdataKind::Real) {
                item.value = cadlink::Variant(g.real);
            } else if (kind == XdataKind::Int16) {
                item.value = cadlink::Variant(Int16(g));
            } else if (kind == XdataKind::Int32) {
                item.value = cadlink::Variant(Int32(g));
            } else {
                cur_.FailAt(g.line,
                            "group " + std::to_string(code) + " out of place in extended data");
            }
            current->items.push_back(std::move(item));
        }
    }

    // Adds the entity with its groups (from recordStart_ to here) unless it belongs to paper
    // space, which is kept as groups only; true when it was added.
    bool Keep(std::vector<Entity>* into, Common common, EntityData data, bool inBlock, int line,
              const std::string& type) {
        (void)type;
        if (!into) return false;  // in a layout block, which is kept whole
        const RawGroups raw = Raw(recordStart_, cur_.Position());
        if (common.paperSpace && !inBlock) {
            image_->paperEntities.push_back({into->empty() ? 0 : into->back().id, raw});
            return false;
        }
        Entity e;
        e.id = drawing_.nextId++;
        e.layer = std::move(common.layer);
        e.xdata = std::move(common.xdata);
        e.data = std::move(data);
        e.raw = raw;
        layersUsed_.emplace(e.layer, line);
        into->push_back(std::move(e));
        return true;
    }

    // An entity of a kind the model does not hold: its layer and xdata for the automation
    // objects, its groups for the file. Extended data minicad cannot read is left to the
    // groups rather than refusing the drawing.
    void KeepOther(std::vector<Entity>* into, std::span<const Group> record, bool inBlock, int line,
                   const std::string& type) {
        Common c;
        OtherEntityData d{type, {}};
        std::size_t i = 0;
        for (; i < record.size() && record[i].code != 1001; ++i) {
            const Group& g = record[i];
            if (g.code == 8) {
                c.layer = Text(g);
                if (c.layer.empty()) c.layer = "0";
            } else if (g.code == 67) {
                c.paperSpace = g.integer == 1;
            } else if (g.code == 2 && type == "DIMENSION") {
                d.block = Text(g);
            }
        }
        try {
            ReadXdata(record.subspan(i), c.xdata);
        } catch (const DxfError&) {
            c.xdata.clear();
        }
        Keep(into, std::move(c), std::move(d), inBlock, line, type);
    }

    void Skipped(const std::string& what, int line) {
        auto [it, added] = skipped_.try_emplace(what, std::pair<int, int>{0, line});
        (void)added;
        ++it->second.first;
    }

    void ReadEntity(std::vector<Entity>* into, const std::string& owner, bool inBlock) {
        const std::string type(text::Trim(cur_.Raw()));
        const int line = cur_.Line();
        recordStart_ = cur_.Position();
        const auto record = cur_.TakeRecord();
        auto point = [](Point3& p, const Group& g, int base) {
            if (g.code == base)
                p.x = g.real;
            else if (g.code == base + 10)
                p.y = g.real;
            else if (g.code == base + 20)
                p.z = g.real;
        };

        if (type == "LINE") {
            LineData d;
            auto c = ReadCommon(record, [&](const Group& g) {
                point(d.start, g, 10);
                point(d.end, g, 11);
            });
            Keep(into, std::move(c), d, inBlock, line, type);
        } else if (type == "CIRCLE" || type == "ARC") {
            CircleData circle;
            ArcData arc;
            auto c = ReadCommon(record, [&](const Group& g) {
                point(circle.center, g, 10);
                point(circle.extrusion, g, 210);
                if (g.code == 40) circle.radius = g.real;
                if (g.code == 50) arc.startAngle = dxf::RadiansFromDegrees(g.real);
                if (g.code == 51) arc.endAngle = dxf::RadiansFromDegrees(g.real);
            });
            if (circle.radius < 0) cur_.FailAt(line, type + " with a negative radius");
            CheckExtrusion(circle.extrusion, type, line);
            if (type == "CIRCLE") {
                Keep(into, std::move(c), circle, inBlock, line, type);
            } else {
                arc.center = circle.center;
                arc.radius = circle.radius;
                arc.extrusion = circle.extrusion;
                Keep(into, std::move(c), arc, inBlock, line, type);
            }
        } else if (type == "TEXT") {
            ReadText(into, record, inBlock, line);
        } else if (type == "LWPOLYLINE") {
            ReadLwPolyline(into, record, inBlock, line);
        } else if (type == "POLYLINE") {
            ReadPolyline(into, record, inBlock, line);
        } else if (type == "INSERT") {
            ReadInsert(into, record, owner, inBlock, line);
        } else if (type == "LEADER") {
            ReadLeader(into, record, inBlock, line);
        } else {
            // Whatever follows as part of it (the VERTEX and SEQEND of some writers' kinds)
            // goes with it.
            while (cur_.Is(0, "VERTEX") || cur_.Is(0, "ATTRIB") || cur_.Is(0, "SEQEND")) {
                const bool end = cur_.Is(0, "SEQEND");
                (void)cur_.TakeRecord();
                if (end) break;
            }
            KeepOther(into, record, inBlock, line, type);
        }
    }

    void ReadText(std::vector<Entity>* into, std::span<const Group> record, bool inBlock,
                  int line) {
        TextData d;
        std::int64_t h = 0, v = 0;
        bool hasAlignmentPoint = false;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 1: d.text = Text(g); break;
                case 7: d.style = Text(g); break;
                case 10: d.insertion.x = g.real; break;
                case 20: d.insertion.y = g.real; break;
                case 30: d.insertion.z = g.real; break;
                case 11:
                    d.alignmentPoint.x = g.real;
                    hasAlignmentPoint = true;
                    break;
                case 21: d.alignmentPoint.y = g.real; break;
                case 31: d.alignmentPoint.z = g.real; break;
                case 40: d.height = g.real; break;
                case 50: d.rotation = dxf::RadiansFromDegrees(g.real); break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 72: h = g.integer; break;
                case 73: v = g.integer; break;
                default: break;
            }
        });
        const auto alignment = AlignmentFromGroups(h, v);
        if (!alignment)
            cur_.FailAt(line, "TEXT with an unknown alignment (72 = " + std::to_string(h) +
                                  ", 73 = " + std::to_string(v) + ")");
        d.alignment = *alignment;
        CheckExtrusion(d.extrusion, "TEXT", line);
        // A CAD places a non-left text by its alignment point; a file that leaves it out
        // means the one point it gives.
        if (d.alignment != TextAlignment::Left && !hasAlignmentPoint)
            d.alignmentPoint = d.insertion;
        if (d.style.empty()) d.style = "Standard";
        Keep(into, std::move(c), d, inBlock, line, "TEXT");
    }

    // A zero extrusion defines no plane to place the entity in.
    void CheckExtrusion(const Point3& extrusion, const std::string& type, int line) {
        if (!geometry::IsValidExtrusion(extrusion))
            cur_.FailAt(line, type + " with a zero extrusion direction (210/220/230)");
    }

    void CheckCount(std::int64_t declared, std::size_t found, const char* type, int line) {
        if (declared >= 0 && static_cast<std::uint64_t>(declared) != found)
            cur_.FailAt(line, std::string(type) + " declares " + std::to_string(declared) +
                                  " vertices but holds " + std::to_string(found));
    }

    void ReadLwPolyline(std::vector<Entity>* into, std::span<const Group> record, bool inBlock,
                        int line) {
        PolylineData d;
        std::int64_t declared = -1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 90: declared = g.integer; break;
                case 70: d.closed = (g.integer & 1) != 0; break;
                case 38: d.elevation = g.real; break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 10: d.vertices.push_back({g.real, 0, 0}); break;
                case 20:
                case 42:
                    if (d.vertices.empty())
                        cur_.FailAt(g.line, "LWPOLYLINE group " + std::to_string(g.code) +
                                                " before its first vertex");
                    (g.code == 20 ? d.vertices.back().y : d.vertices.back().bulge) = g.real;
                    break;
                default: break;
            }
        });
        CheckCount(declared, d.vertices.size(), "LWPOLYLINE", line);
        CheckExtrusion(d.extrusion, "LWPOLYLINE", line);
        Keep(into, std::move(c), std::move(d), inBlock, line, "LWPOLYLINE");
    }

    // A POLYLINE header is followed by VERTEX records and a SEQEND.
    void ReadPolyline(std::vector<Entity>* into, std::span<const Group> record, bool inBlock,
                      int line) {
        PolylineData d;
        std::int64_t flags = 0;
        auto c = ReadCommon(record, [&](const Group& g) {
            if (g.code == 70) flags = g.integer;
            if (g.code == 30) d.elevation = g.real;
            if (g.code == 210) d.extrusion.x = g.real;
            if (g.code == 220) d.extrusion.y = g.real;
            if (g.code == 230) d.extrusion.z = g.real;
        });
        constexpr std::int64_t k3dPolyline = 8, kMesh = 16, kPolyfaceMesh = 64;
        const bool flat = (flags & (k3dPolyline | kMesh | kPolyfaceMesh)) == 0;
        while (cur_.Is(0, "VERTEX")) {
            const auto vertex = cur_.TakeRecord();
            PolylineVertex pv;
            std::int64_t vflags = 0;
            for (const Group& g : vertex) {
                switch (g.code) {
                    case 10: pv.x = g.real; break;
                    case 20: pv.y = g.real; break;
                    case 42: pv.bulge = g.real; break;
                    case 70: vflags = g.integer; break;
                    default: break;
                }
            }
            constexpr std::int64_t kSplineFrame = 16;  // control point, not on the curve
            if (!(vflags & kSplineFrame)) d.vertices.push_back(pv);
        }
        if (cur_.Is(0, "SEQEND")) (void)cur_.TakeRecord();
        if (!flat) {
            KeepOther(into, record, inBlock, line, "POLYLINE");
            return;
        }
        d.closed = (flags & 1) != 0;
        CheckExtrusion(d.extrusion, "POLYLINE", line);
        Keep(into, std::move(c), std::move(d), inBlock, line, "POLYLINE");
    }

    void ReadInsert(std::vector<Entity>* into, std::span<const Group> record,
                    const std::string& owner, bool inBlock, int line) {
        InsertData d;
        bool attributes = false;
        std::int64_t columns = 1, rows = 1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 2: d.block = Text(g); break;
                case 10: d.insertion.x = g.real; break;
                case 20: d.insertion.y = g.real; break;
                case 30: d.insertion.z = g.real; break;
                case 41: d.scaleX = g.real; break;
                case 42: d.scaleY = g.real; break;
                case 43: d.scaleZ = g.real; break;
                case 50: d.rotation = dxf::RadiansFromDegrees(g.real); break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 66: attributes = g.integer != 0; break;
                case 70: columns = g.integer; break;
                case 71: rows = g.integer; break;
                default: break;
            }
        });
        if (d.block.empty()) cur_.FailAt(line, "INSERT without a block name");
        CheckExtrusion(d.extrusion, "INSERT", line);
        if (attributes) {
            while (cur_.Is(0, "ATTRIB")) (void)cur_.TakeRecord();
            if (cur_.Is(0, "SEQEND")) (void)cur_.TakeRecord();
        }
        if (columns > 1 || rows > 1) Skipped("INSERT array (only its first copy is kept)", line);
        InsertRef ref{owner, d.block, line};
        if (Keep(into, std::move(c), std::move(d), inBlock, line, "INSERT"))
            inserts_.push_back(std::move(ref));
    }

    void ReadLeader(std::vector<Entity>* into, std::span<const Group> record, bool inBlock,
                    int line) {
        LeaderData d;
        std::int64_t declared = -1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 71: d.arrowhead = g.integer != 0; break;
                case 76: declared = g.integer; break;
                case 10: d.vertices.push_back({g.real, 0, 0}); break;
                case 20:
                case 30:
                    if (d.vertices.empty())
                        cur_.FailAt(g.line, "LEADER group " + std::to_string(g.code) +
                                                " before its first vertex");
                    (g.code == 20 ? d.vertices.back().y : d.vertices.back().z) = g.real;
                    break;
                default: break;
            }
        });
        CheckCount(declared, d.vertices.size(), "LEADER", line);
        if (d.vertices.size() < 2) {
            KeepOther(into, record, inBlock, line, "LEADER");
            return;
        }
        // The arrowhead's size and block are dimension settings: the drawing's, unless the
        // leader carries its own in the ACAD "DSTYLE" override list, which is consumed here.
        double dimasz = drawing_.variables.dimasz, dimscale = drawing_.variables.dimscale;
        for (auto it = c.xdata.begin(); it != c.xdata.end(); ++it) {
            if (UpperAscii(it->application) != "ACAD") continue;
            const auto& items = it->items;
            if (items.empty() || !items[0].value.IsText() || items[0].value.AsText() != "DSTYLE")
                continue;
            for (std::size_t k = 0; k + 1 < items.size(); ++k) {
                if (items[k].code != 1070 || items[k + 1].code != 1040) continue;
                const int which = items[k].value.AsInt();
                if (which == 41) dimasz = items[k + 1].value.AsDouble();
                if (which == 40) dimscale = items[k + 1].value.AsDouble();
            }
            c.xdata.erase(it);
            break;
        }
        d.arrowSize = dimasz * (dimscale == 0 ? 1.0 : dimscale);
        d.arrowBlock = drawing_.variables.dimldrblk;
        Keep(into, std::move(c), std::move(d), inBlock, line, "LEADER");
    }

    // ---- after the last section ----

    void Finish() {
        for (const auto& [layer, line] : layersUsed_)
            if (!FindLayer(layer)) drawing_.layers.push_back(Layer{layer});
        if (!FindLayer(drawing_.variables.clayer))
            drawing_.layers.push_back(Layer{drawing_.variables.clayer});

        std::map<std::string, std::vector<std::string>> refs;  // block -> blocks it inserts
        for (const InsertRef& ref : inserts_) {
            const std::string upper = UpperAscii(ref.block);
            if (!blockNames_.count(upper))
                cur_.FailAt(ref.line,
                            "INSERT of block " + ref.block + ", which the file does not define");
            if (!ref.owner.empty()) refs[ref.owner].push_back(upper);
        }
        // A block that contains itself, directly or through others, would send every
        // explode or extents walk into an endless loop.
        std::map<std::string, int> state;  // 1 on the current path, 2 done
        std::function<void(const std::string&)> visit = [&](const std::string& block) {
            state[block] = 1;
            for (const std::string& inner : refs[block]) {
                if (state[inner] == 1)
                    throw DxfError(source_, 0, "block " + inner + " contains itself");
                if (state[inner] == 0) visit(inner);
            }
            state[block] = 2;
        };
        for (const auto& [block, inner] : refs)
            if (state[block] == 0) visit(block);

        if (utf8FallbackLine_ != 0)
            Note(utf8FallbackLine_, "texts in UTF-8 although the file declares code page " +
                                        std::to_string(encoding_.codePage) + "; read as UTF-8");
        drawing_.file = std::move(image_);
        for (const auto& [what, countAndLine] : skipped_) {
            const auto [count, line] = countAndLine;
            Note(line, what + ": " + std::to_string(count) +
                           (count == 1 ? " entity" : " entities") + " passed over");
        }
    }

    const std::string& source_;
    dxf::LexedFile file_;
    Cursor cur_;
    DxfNotes* notes_;
    Encoding encoding_;
    mutable int utf8FallbackLine_ = 0;  // first text read as UTF-8 against the code page
    Drawing drawing_;
    std::shared_ptr<const RawStore> store_;
    std::shared_ptr<DxfFileImage> image_;
    std::size_t recordStart_ = 0;       // the group 0 of the entity being read
    std::set<std::string> blockNames_;  // upper-cased
    std::vector<InsertRef> inserts_;
    std::map<std::string, int> layersUsed_;               // name -> first line
    std::map<std::string, std::pair<int, int>> skipped_;  // what -> (count, first line)
};

std::string PathText(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

Drawing ReadDxf(std::string_view content, const std::string& sourceName, DxfNotes* notes,
                const DxfReadOptions& options) {
    Reader reader(content, sourceName, notes, options);
    return reader.Read();
}

Drawing ReadDxfFile(const std::filesystem::path& path, DxfNotes* notes,
                    const DxfReadOptions& options) {
    const std::string source = PathText(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DxfError(source, 0, "cannot open the file");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw DxfError(source, 0, "cannot read the file");
    return ReadDxf(content, source, notes, options);
}

}  // namespace tarsel::minicad
