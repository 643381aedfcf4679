// minicad's drawing as plain data: what a DXF file holds and what the automation objects
// show. The document (document.h) owns one and keeps its invariants; DXF reading and
// writing, boundary tracing and the automation objects all work on these records.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cadlink/variant.h"
#include "geometry/primitives.h"

namespace tarsel::minicad {

// Points are geometry's: drawing units, x, y, z (DXF 10/20/30 and their kin). Circles, arcs,
// polylines, texts and block references keep theirs in the object coordinate system of
// their extrusion, as DXF stores them (geometry/ocs.h); the world position is computed
// where it is used.
using Point3 = geometry::TAcadPoint;

// One xdata item: group code (1000..1071) and value. Strings (1000-1003, 1005) as Text,
// reals (1040-1042) as Double, 1070 as Int16, 1071 as Int32, points (1010-1013) as an
// R8 array of three doubles: the shapes GetXdata hands back.
struct XdataItem {
    std::int16_t code = 0;
    cadlink::Variant value;
};

// The xdata of one registered application on one entity; the 1001 item is implied.
struct XdataGroup {
    std::string application;  // as registered (DXF 1001); compared upper-cased
    std::vector<XdataItem> items;
};

// A name that many objects hold, such as the layer of each entity: one counted copy of the text
// per distinct name rather than one per holder, so that a million entities on four layers keep
// four strings. Reads like a const std::string. Made from a string it holds a copy of its own;
// copied from another name it shares that one's (the reader hands out shared ones).
class SharedName {
public:
    SharedName() noexcept;
    SharedName(std::string_view text);  // NOLINT: stands for a string
    SharedName(const std::string& text) : SharedName(std::string_view(text)) {}  // NOLINT
    SharedName(const char* text) : SharedName(std::string_view(text)) {}         // NOLINT
    SharedName(const SharedName& other) noexcept : rep_(other.rep_) { Hold(); }
    SharedName(SharedName&& other) noexcept;
    SharedName& operator=(const SharedName& other) noexcept;
    SharedName& operator=(SharedName&& other) noexcept;
    ~SharedName() { Release(); }

    [[nodiscard]] const std::string& str() const noexcept { return rep_->text; }
    operator const std::string&() const noexcept { return rep_->text; }  // NOLINT
    operator std::string_view() const noexcept { return rep_->text; }    // NOLINT
    [[nodiscard]] bool empty() const noexcept { return rep_->text.empty(); }
    [[nodiscard]] std::size_t size() const noexcept { return rep_->text.size(); }
    [[nodiscard]] const char* c_str() const noexcept { return rep_->text.c_str(); }
    void clear() noexcept;

    friend bool operator==(const SharedName& a, const SharedName& b) noexcept {
        return a.rep_ == b.rep_ || a.str() == b.str();
    }
    friend bool operator==(const SharedName& a, std::string_view b) noexcept {
        return a.str() == b;
    }
    friend bool operator==(const SharedName& a, const std::string& b) noexcept {
        return a.str() == b;
    }
    friend bool operator==(const SharedName& a, const char* b) noexcept {
        return a.str() == std::string_view(b);
    }
    friend std::ostream& operator<<(std::ostream& out, const SharedName& name) {
        return out << name.str();
    }

private:
    struct Rep {
        std::atomic<std::size_t> refs;
        std::string text;
        bool immortal = false;  // the static "" and "0", never counted
    };
    void Hold() const noexcept {
        if (!rep_->immortal) rep_->refs.fetch_add(1, std::memory_order_relaxed);
    }
    void Release() noexcept;
    static Rep* Empty() noexcept;

    Rep* rep_;
};

struct LineData {  // AcDbLine, DXF LINE
    Point3 start;  // 10/20/30
    Point3 end;    // 11/21/31
};

struct CircleData {     // AcDbCircle, DXF CIRCLE
    Point3 center;      // 10/20/30
    double radius = 0;  // 40
    // 210/220/230: the plane the centre is given in
    Point3 extrusion{0, 0, 1};
};

struct ArcData {            // AcDbArc, DXF ARC; counter-clockwise from start to end
    Point3 center;          // 10/20/30
    double radius = 0;      // 40
    double startAngle = 0;  // 50, radians here (degrees in DXF)
    double endAngle = 0;    // 51, radians here
    // 210/220/230: the plane the centre and angles are given in (counter-clockwise about it)
    Point3 extrusion{0, 0, 1};
};

struct PolylineVertex {
    double x = 0;      // 10
    double y = 0;      // 20
    double bulge = 0;  // 42: tan(included angle / 4), positive counter-clockwise
};

struct PolylineData {  // AcDbPolyline, DXF LWPOLYLINE (2D POLYLINE is read into it)
    std::vector<PolylineVertex> vertices;
    bool closed = false;   // 70 bit 1
    double elevation = 0;  // 38
    // 210/220/230: the plane the vertices and elevation are given in
    Point3 extrusion{0, 0, 1};
};

// AutoCAD's AcAlignment codes; DXF 72/73 are derived from them on writing.
enum class TextAlignment : std::int32_t {
    Left = 0,
    Center = 1,
    Right = 2,
    Aligned = 3,
    Middle = 4,
    Fit = 5,
    TopLeft = 6,
    TopCenter = 7,
    TopRight = 8,
    MiddleLeft = 9,
    MiddleCenter = 10,
    MiddleRight = 11,
    BottomLeft = 12,
    BottomCenter = 13,
    BottomRight = 14,
};

struct TextData {           // AcDbText, DXF TEXT
    std::string text;       // 1, UTF-8
    Point3 insertion;       // 10/20/30 (first alignment point)
    Point3 alignmentPoint;  // 11/21/31 (used unless alignment is Left)
    double height = 2.5;    // 40
    double rotation = 0;    // 50, radians here (degrees in DXF)
    TextAlignment alignment = TextAlignment::Left;
    std::string style = "Standard";  // 7
    // 210/220/230: the plane the points and rotation are given in
    Point3 extrusion{0, 0, 1};
};

struct InsertData {                             // AcDbBlockReference, DXF INSERT
    std::string block;                          // 2
    Point3 insertion;                           // 10/20/30
    double scaleX = 1, scaleY = 1, scaleZ = 1;  // 41/42/43
    double rotation = 0;                        // 50, radians here
    // 210/220/230: the plane the insertion and rotation are given in
    Point3 extrusion{0, 0, 1};
};

struct LeaderData {                // AcDbLeader, DXF LEADER
    std::vector<Point3> vertices;  // 10/20/30 repeated; the arrowhead is at the first
    bool arrowhead = true;         // 71
    double arrowSize = 2.5;        // DIMASZ x DIMSCALE when drawn (drawing units)
    std::string arrowBlock;        // DIMLDRBLK ("" for the default closed filled arrow)
};

// An entity of a kind minicad does not model (MTEXT, DIMENSION, HATCH, 3D POLYLINE, ...):
// no geometry here; its groups travel in Entity::raw and are written back as read.
struct OtherEntityData {
    std::string type;   // DXF type name as in the file ("MTEXT")
    std::string block;  // the block a DIMENSION draws through (2), "" otherwise
};

// A value kept on the heap but copied like a value: the large and less common kinds
// of entity live in one, so that the common ones (lines, arcs, polylines) do not pay for their
// size in every entity of a drawing of millions. Never empty except after being moved from.
template <class T>
class Boxed {
public:
    Boxed() : p_(std::make_unique<T>()) {}
    Boxed(const T& value) : p_(std::make_unique<T>(value)) {}        // NOLINT: as if it were a T
    Boxed(T&& value) : p_(std::make_unique<T>(std::move(value))) {}  // NOLINT
    Boxed(const Boxed& other) : p_(std::make_unique<T>(*other)) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) {
        if (this != &other) p_ = std::make_unique<T>(*other);
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;
    ~Boxed() = default;

    [[nodiscard]] T& operator*() noexcept { return *p_; }
    [[nodiscard]] const T& operator*() const noexcept { return *p_; }
    [[nodiscard]] T* operator->() noexcept { return p_.get(); }
    [[nodiscard]] const T* operator->() const noexcept { return p_.get(); }

private:
    std::unique_ptr<T> p_;
};

using EntityData = std::variant<LineData, CircleData, ArcData, PolylineData, Boxed<TextData>,
                                Boxed<InsertData>, LeaderData, OtherEntityData>;

namespace detail {
template <class T>
struct BoxOf {
    using type = T;
};
template <>
struct BoxOf<TextData> {
    using type = Boxed<TextData>;
};
template <>
struct BoxOf<InsertData> {
    using type = Boxed<InsertData>;
};
template <class T>
T& Unbox(T& value) noexcept {
    return value;
}
template <class T>
T& Unbox(Boxed<T>& value) noexcept {
    return *value;
}
template <class T>
const T& Unbox(const Boxed<T>& value) noexcept {
    return *value;
}
}  // namespace detail

// The kind T of an entity's data, or null: std::get_if that looks through the boxes.
template <class T>
[[nodiscard]] T* DataIf(EntityData& data) noexcept {
    auto* held = std::get_if<typename detail::BoxOf<T>::type>(&data);
    return held ? &detail::Unbox(*held) : nullptr;
}
template <class T>
[[nodiscard]] const T* DataIf(const EntityData& data) noexcept {
    const auto* held = std::get_if<typename detail::BoxOf<T>::type>(&data);
    return held ? &detail::Unbox(*held) : nullptr;
}
template <class T>
[[nodiscard]] bool HoldsData(const EntityData& data) noexcept {
    return std::holds_alternative<typename detail::BoxOf<T>::type>(data);
}
// std::get through the boxes: throws std::bad_variant_access when the data is of another kind.
template <class T>
[[nodiscard]] const T& DataOf(const EntityData& data) {
    return detail::Unbox(std::get<typename detail::BoxOf<T>::type>(data));
}
template <class T>
[[nodiscard]] T& DataOf(EntityData& data) {
    return detail::Unbox(std::get<typename detail::BoxOf<T>::type>(data));
}
// std::visit with the boxes opened: the visitor sees a TextData, not its box.
template <class F>
decltype(auto) VisitData(F&& visitor, EntityData& data) {
    return std::visit([&](auto& held) -> decltype(auto) { return visitor(detail::Unbox(held)); },
                      data);
}
template <class F>
decltype(auto) VisitData(F&& visitor, const EntityData& data) {
    return std::visit(
        [&](const auto& held) -> decltype(auto) { return visitor(detail::Unbox(held)); }, data);
}

// The groups of a file as read, shared by every object that came from it: code and the value
// line's bytes untouched (strings in the file's encoding). Each group is one record in pages
// that never move, so a value's view stays valid while the reader adds more: a header byte
// naming the code through a dictionary of the codes met first (most files use a few dozen),
// the value's size as a varint, then its bytes; about two bytes beside the value. Only every
// 16th record's place is indexed, so code(i) and value(i) walk up to 15 records: read many
// groups in a row through an Iterator, which decodes record after record.
class RawStore {
public:
    struct Group {
        int code = 0;
        std::string_view value;
    };

    // The groups from one index up to another, front to back. Reads the store only, so that
    // any number of them can walk a store shared between threads.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Group;
        using difference_type = std::ptrdiff_t;
        using pointer = const Group*;
        using reference = const Group&;

        Iterator() = default;
        reference operator*() const { return group_; }
        pointer operator->() const { return &group_; }
        Iterator& operator++() {
            if (++index_ < end_) next_ = store_->Decode(next_, group_);
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.index_ == b.index_;
        }
        friend bool operator==(const Iterator& it, std::default_sentinel_t) {
            return it.index_ == it.end_;
        }

    private:
        friend class RawStore;
        const RawStore* store_ = nullptr;
        std::uint32_t index_ = 0, end_ = 0;
        std::size_t next_ = 0;  // where the record after the current one starts
        Group group_;
    };

    // Adds a group at index size(); the view of its value lives as long as the store.
    // Throws std::length_error past 4 GiB of records.
    std::string_view Add(int code, std::string_view value);
    // Room for that many groups in all, so that a large file's index is not moved as it grows.
    void Reserve(std::size_t groups);
    [[nodiscard]] std::size_t size() const { return count_; }
    [[nodiscard]] int code(std::size_t i) const;
    [[nodiscard]] std::string_view value(std::size_t i) const;
    // At group begin, walking up to end (<= size()).
    [[nodiscard]] Iterator Walk(std::size_t begin, std::size_t end) const;

private:
    static constexpr unsigned kPageBits = 20;
    static constexpr std::size_t kPage = std::size_t{1} << kPageBits;
    static constexpr unsigned kCheckpointBits = 4;  // every 16th record's place is kept
    // A header byte below kDictionary names a code of the dictionary; kEscape is followed by
    // the code (int16, little-endian); kPageEnd: the rest of the page is empty.
    static constexpr unsigned kDictionary = 254;
    static constexpr std::uint8_t kEscape = 0xFE;
    static constexpr std::uint8_t kPageEnd = 0xFF;

    // Reads the record at offset (or the one after a page end there) into group; returns
    // where the next record starts.
    std::size_t Decode(std::size_t offset, Group& group) const;
    // Where record i starts.
    [[nodiscard]] std::size_t Seek(std::size_t i) const;

    // On a cache line of its own, away from the count of owners that make_shared puts in
    // front: one thread may fill the store while another shares it out.
    alignas(64) std::size_t count_ = 0;
    std::vector<std::uint32_t> checkpoints_;       // offset of records 0, 16, 32, ...
    static constexpr std::size_t kBlockPages = 8;  // pages allocated together once there are many
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* spare_ = nullptr;                 // the next page allocated but not yet in use
    std::size_t spares_ = 0;                // pages from spare_ on in its block
    std::vector<char*> pages_;              // where each page of the offset space is
    std::size_t used_ = kPage;              // of the last page; full before the first record
    std::int16_t codes_[kDictionary] = {};  // header byte -> code
    unsigned dictionary_ = 0;               // codes_ in use
    // uint16 of the code -> header byte, kEscape for a code outside the dictionary
    std::unique_ptr<std::uint8_t[]> headerOfCode_;
};

// One object's groups as read (an entity with its VERTEX/ATTRIB/SEQEND followers, a table
// entry, a block's BLOCK or ENDBLK record, a whole section). Immutable and cheap to copy; empty
// for what the model created. Walk it front to back with begin()/end(); code(i) and value(i)
// are for a look here and there.
class RawGroups {
public:
    RawGroups() = default;
    // Throws std::length_error when end is past 2^32 groups (a store of a file under 4 GiB
    // never holds that many).
    RawGroups(std::shared_ptr<const RawStore> store, std::size_t begin, std::size_t end);
    [[nodiscard]] bool empty() const { return count_ == 0; }
    [[nodiscard]] std::size_t size() const { return count_; }
    [[nodiscard]] int code(std::size_t i) const { return store_->code(begin_ + i); }
    [[nodiscard]] std::string_view value(std::size_t i) const { return store_->value(begin_ + i); }
    [[nodiscard]] RawStore::Iterator begin() const {
        return store_ ? store_->Walk(begin_, std::size_t{begin_} + count_) : RawStore::Iterator();
    }
    [[nodiscard]] std::default_sentinel_t end() const { return {}; }
    [[nodiscard]] RawGroups Slice(std::size_t begin, std::size_t end) const {
        return RawGroups(store_, begin_ + begin, begin_ + end);
    }
    // The value of the first group of code, "" when there is none.
    [[nodiscard]] std::string_view Find(int code) const {
        for (const RawStore::Group& g : *this)
            if (g.code == code) return g.value;
        return {};
    }

private:
    std::shared_ptr<const RawStore> store_;
    std::uint32_t begin_ = 0, count_ = 0;
};

// The xdata of an entity: most have none, so an entity without it holds one null pointer
// instead of an empty vector. Reads like a std::vector<XdataGroup>.
class XdataList {
public:
    XdataList() = default;
    XdataList(std::vector<XdataGroup> groups) { *this = std::move(groups); }  // NOLINT
    XdataList(const XdataList& other)
        : groups_(other.groups_ ? std::make_unique<std::vector<XdataGroup>>(*other.groups_)
                                : nullptr) {}
    XdataList(XdataList&&) noexcept = default;
    XdataList& operator=(const XdataList& other) {
        if (this != &other) *this = XdataList(other);
        return *this;
    }
    XdataList& operator=(XdataList&&) noexcept = default;
    XdataList& operator=(std::vector<XdataGroup> groups) {
        if (groups.empty())
            groups_.reset();
        else
            groups_ = std::make_unique<std::vector<XdataGroup>>(std::move(groups));
        return *this;
    }
    ~XdataList() = default;

    operator std::vector<XdataGroup>() const {
        return groups_ ? *groups_ : std::vector<XdataGroup>{};
    }  // NOLINT

    [[nodiscard]] bool empty() const noexcept { return !groups_ || groups_->empty(); }
    [[nodiscard]] std::size_t size() const noexcept { return groups_ ? groups_->size() : 0; }
    [[nodiscard]] XdataGroup* begin() noexcept { return groups_ ? groups_->data() : nullptr; }
    [[nodiscard]] XdataGroup* end() noexcept { return begin() + size(); }
    [[nodiscard]] const XdataGroup* begin() const noexcept {
        return groups_ ? groups_->data() : nullptr;
    }
    [[nodiscard]] const XdataGroup* end() const noexcept { return begin() + size(); }
    [[nodiscard]] XdataGroup& operator[](std::size_t i) noexcept { return (*groups_)[i]; }
    [[nodiscard]] const XdataGroup& operator[](std::size_t i) const noexcept {
        return (*groups_)[i];
    }
    [[nodiscard]] const XdataGroup& at(std::size_t i) const {
        if (i >= size()) throw std::out_of_range("no such xdata group");
        return (*groups_)[i];
    }
    void push_back(XdataGroup group) { Groups().push_back(std::move(group)); }
    XdataGroup* erase(const XdataGroup* at) {
        const auto i = static_cast<std::ptrdiff_t>(at - begin());
        groups_->erase(groups_->begin() + i);
        if (groups_->empty()) {
            groups_.reset();
            return nullptr;
        }
        return groups_->data() + i;
    }
    void clear() noexcept { groups_.reset(); }

private:
    std::vector<XdataGroup>& Groups() {
        if (!groups_) groups_ = std::make_unique<std::vector<XdataGroup>>();
        return *groups_;
    }
    std::unique_ptr<std::vector<XdataGroup>> groups_;
};

struct Entity {
    std::int64_t id = 0;     // ObjectID: 64-bit, never reused within a document
    SharedName layer = "0";  // 8
    XdataList xdata;
    EntityData data;
    RawGroups raw{};       // as read; empty for an entity the model created
    bool changed = false;  // changed by the model since reading: written from the model
};

struct Layer {
    std::string name;                     // 2
    std::int16_t color = 7;               // 62
    std::string linetype = "Continuous";  // 6
    RawGroups raw{};                      // the LAYER table entry as read
};

struct Block {
    std::string name;  // 2
    Point3 base;       // 10/20/30
    std::vector<Entity> entities;
    RawGroups raw{};     // the BLOCK record as read
    RawGroups rawEnd{};  // its ENDBLK
};

// Drawing-wide settings that live in the DXF header and behind GetVariable.
struct Variables {
    std::int32_t aunits = 0;    // $AUNITS
    double angbase = 0;         // $ANGBASE, degrees (what GetVariable reports)
    std::int32_t angdir = 0;    // $ANGDIR
    std::int32_t snapmode = 0;  // $SNAPMODE
    std::string clayer = "0";   // $CLAYER
    double dimasz = 2.5;        // $DIMASZ (metric default)
    std::string dimldrblk;      // $DIMLDRBLK ("" = default arrow)
    double dimscale = 1.0;      // $DIMSCALE
    Point3 lastpoint;           // $LASTPOINT
    double viewsize = 0;        // height of the current view; 0 = not yet zoomed
};

// What a file held around the records the model keeps, so that saving it again in its own
// version writes every object minicad did not change exactly as read.
struct DxfFileImage {
    struct Entry {
        std::string name;  // group 2 as UTF-8 (upper-case compare)
        RawGroups raw;
    };
    struct Table {
        std::string name;            // LAYER, LTYPE, BLOCK_RECORD, ...
        RawGroups head;              // the TABLE record
        std::vector<Entry> entries;  // empty for LAYER: its entries live on the layers
        RawGroups end;               // the ENDTAB record
    };
    // One BLOCK..ENDBLK of the file in its order: a user block (found in Drawing::blocks by
    // name) or a layout block (model and paper space) kept whole.
    struct BlockSlot {
        std::string name;
        bool user = false;
        RawGroups raw;  // the layout block whole
    };
    // An entity of paper space in the ENTITIES section, after the model-space entity of id
    // after (0: before every one).
    struct PaperEntity {
        std::int64_t after = 0;
        RawGroups raw;
    };
    struct Section {
        std::string name;
        RawGroups raw;  // SECTION to ENDSEC, for the sections the model does not hold
    };

    int release = 1009;     // the number of $ACADVER ("AC1032" -> 1032); 1009 for R12 and older
    unsigned codePage = 0;  // of the strings before R2007
    unsigned declaredCodePage = 0;  // $DWGCODEPAGE as the reader took it; 0 absent or unknown
    std::vector<Section> sections;  // in file order
    // The groups between each HEADER section's name and its ENDSEC, in file order (a file
    // may repeat the section; every copy's variables are kept).
    std::vector<RawGroups> headers;
    std::vector<Table> tables;
    std::vector<BlockSlot> blocks;
    std::vector<PaperEntity> paperEntities;
    Variables variables;              // as read, to see what the model changed
    std::uint64_t handleCeiling = 0;  // above every handle the file holds
    std::uint64_t handSeed = 0;       // $HANDSEED as read
    std::uint64_t sourceBytes = 0;    // the file's size: what a save of it will about take
};

struct Drawing {
    std::vector<Layer> layers{Layer{"0"}};  // "0" always exists
    std::vector<std::string> appIds{"ACAD"};
    std::vector<Block> blocks;     // user block definitions only
    std::vector<Entity> entities;  // model space in creation order
    Variables variables;
    std::int64_t nextId = 1;  // next ObjectID to hand out
    // The file this drawing was read from; null for a drawing created here.
    std::shared_ptr<const DxfFileImage> file;
    unsigned codePage = 0;   // $DWGCODEPAGE of the file read (0: none); names are saved in it
    bool binaryDxf = false;  // read from binary DXF, so saved as binary DXF
};

}  // namespace tarsel::minicad
