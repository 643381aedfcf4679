// Writing minicad's drawing as ASCII DXF that strict readers (ezdxf's, LibreCAD's) open
// without repairs: every table entry an entity refers to is declared, numbers read back bit
// for bit, and no string value can break the line structure.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"
#include "minicad/xdata_codes.h"
#include "platform/codepage.h"
#include "platform/file_write.h"
#include "text/caseless_index.h"
#include "text/names.h"

namespace tarsel::minicad {
namespace {

using text::UpperAscii;

constexpr const char* kDrawingSource = "<drawing>";

constexpr int kR12 = 1009, kR2000 = 1015, kR2004 = 1018, kR2007 = 1021, kR2018 = 1032;

int ReleaseOf(DxfVersion v) {
    switch (v) {
        case DxfVersion::R12: return kR12;
        case DxfVersion::R2000: return kR2000;
        case DxfVersion::R2004: return kR2004;
        case DxfVersion::R2007: return kR2007;
        case DxfVersion::R2010: return 1024;
        case DxfVersion::R2013: return 1027;
        case DxfVersion::R2018: return kR2018;
    }
    return kR2018;
}

std::string AcadVerText(int release) {
    return "AC" + std::to_string(release);
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsLayoutBlockName(std::string_view name) {
    const std::string upper = UpperAscii(name);
    return upper == "*MODEL_SPACE" || upper.rfind("*PAPER_SPACE", 0) == 0;
}

// Handles as DXF writes them: upper-case hexadecimal, zero-padded to width.
std::string HexText(std::uint64_t value, std::size_t width = 0) {
    char buf[16];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, 16);
    std::string s(buf, end);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

[[noreturn]] void Refuse(const std::string& message) {
    throw DxfError(kDrawingSource, 0, "cannot be saved: " + message);
}

// AcAlignment to DXF 72 (horizontal) and 73 (vertical).
std::pair<int, int> AlignmentGroups(TextAlignment a) {
    const int code = static_cast<int>(a);
    if (code >= 0 && code <= 5) return {code, 0};
    if (code >= 6 && code <= 14) {
        const int row = (code - 6) / 3;  // 0 top, 1 middle, 2 bottom
        return {(code - 6) % 3, 3 - row};
    }
    Refuse("a text with the unknown alignment " + std::to_string(code));
}

// The names every table must hold, gathered from the drawing and from what its entities use,
// so a drawing whose records miss an entry still gives a file that readers accept.
struct Names {
    // The drawing's own layers are pointed to, not copied: a drawing may hold tens of
    // thousands, and a save runs over them twice.
    std::vector<const Layer*> layers;
    std::vector<std::string> appIds;
    std::vector<std::string> styles;
    std::vector<std::string> linetypes;

    void AddApp(const std::string& name) { Add(appIds, appKeys_, name); }
    void AddStyle(const std::string& name) { Add(styles, styleKeys_, name); }
    void AddLinetype(const std::string& name) {
        std::string upper = UpperAscii(name);
        if (upper == "BYLAYER" || upper == "BYBLOCK") return;
        if (linetypeKeys_.insert(std::move(upper)).second) linetypes.push_back(name);
    }
    // layer must outlive the Names: one of the drawing's.
    void AddLayer(const Layer& layer) {
        if (layerKeys_.Insert(layer.name, layers.size(), LayerName()) == layers.size())
            layers.push_back(&layer);
    }
    // A layer the drawing's table lacks.
    void AddMissingLayer(const std::string& name) {
        if (layerKeys_.Insert(name, layers.size(), LayerName()) != layers.size()) return;
        made_.push_back(Layer{name});
        layers.push_back(&made_.back());
    }
    // Room for the drawing's own layers and the two every file has, grown once.
    void ReserveLayers(std::size_t n) {
        layers.reserve(n + 2);
        layerKeys_.Reserve(n + 2);
    }
    // An entity's layer; most follow one on the same layer, which need not be looked up.
    void AddEntityLayer(const std::string& name) {
        const std::string& layer = name.empty() ? kZero : name;
        if (lastEntityLayer_ && *lastEntityLayer_ == layer) return;
        lastEntityLayer_ = &layer;
        AddMissingLayer(layer);
    }

private:
    static void Add(std::vector<std::string>& list, std::unordered_set<std::string>& keys,
                    const std::string& name) {
        if (keys.insert(UpperAscii(name)).second) list.push_back(name);
    }
    struct LayerNameAt {
        const std::vector<const Layer*>* layers;
        std::string_view operator()(std::size_t i) const { return (*layers)[i]->name; }
    };
    LayerNameAt LayerName() const { return {&layers}; }

    static inline const std::string kZero = "0";
    std::deque<Layer> made_;  // the layers added here; a deque keeps their addresses
    // The names already in each list (tables compare names without case): the layers' by
    // position, as a file may hold tens of thousands; the others upper-cased.
    text::CaselessIndex layerKeys_;
    std::unordered_set<std::string> appKeys_, styleKeys_, linetypeKeys_;
    const std::string* lastEntityLayer_ = nullptr;
};

struct Extents {
    bool any = false;
    Point3 min, max;
    void Add(double x, double y, double z = 0) {
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
        if (!any) {
            min = max = {x, y, z};
            any = true;
            return;
        }
        min = {std::min(min.x, x), std::min(min.y, y), std::min(min.z, z)};
        max = {std::max(max.x, x), std::max(max.y, y), std::max(max.z, z)};
    }
    void Add(const Point3& p) { Add(p.x, p.y, p.z); }
};

// Every line of a DXF this writer makes ends so, as the CAD's own do.
constexpr std::string_view kEol = "\r\n";

// How much text a save gathers before handing it on to the file.
constexpr std::size_t kSinkChunk = std::size_t{1} << 20;

// What an entity written from the model about takes (a line in R2018 takes 250 bytes).
constexpr std::uint64_t kBytesPerEntityGuess = 200;

class Writer {
public:
    // The file goes to sink in pieces of about kSinkChunk bytes; with no sink it is kept whole
    // for TakeText, which saves copying every piece once more.
    Writer(const Drawing& drawing, int release, DxfNotes* dropped, const platform::ByteSink* sink)
        : Writer(drawing, release, dropped, sink, false) {}

private:
    Writer(const Drawing& drawing, int release, DxfNotes* dropped, const platform::ByteSink* sink,
           bool counting)
        : d_(drawing),
          requested_(release),
          release_(release),
          r12_(release <= kR12),
          utf8_(release >= kR2007),
          counting_(counting),
          dropped_(dropped),
          sink_(sink) {
        const DxfFileImage* f = d_.file.get();
        // The kept objects are written as read when the target is of the file's kind (R12,
        // or R13 and later with the block records that owners point to).
        if (f && (f->release <= kR12) == r12_ && (r12_ || FindKeptRecords())) file_ = f;
        if (!file_ && !r12_ && release_ < kR2000) release_ = kR2000;
        if (file_) {
            const bool fromUtf8 = file_->release >= kR2007;
            sourceCodePage_ =
                fromUtf8 ? platform::kCodePageUtf8 : (file_->codePage ? file_->codePage : 1252);
            targetCodePage_ =
                utf8_ ? platform::kCodePageUtf8 : (file_->codePage ? file_->codePage : 1252);
            nameCodePage_ = targetCodePage_;
            dropTrueColour_ = release_ < kR2004 && file_->release >= kR2004;
        }
    }

public:
    [[nodiscard]] std::string TakeText() { return std::move(out_); }

    void Write() {
        if (!r12_ && !counting_) CountHandles();
        if (!counting_) Reserve();
        if (file_) return WriteKept();
        Collect();
        if (!counting_) nameCodePage_ = NameCodePage();
        if (!r12_) PlanHandles();
        Header();
        if (!r12_) {
            Section("CLASSES");
            EndSection();
        }
        Tables();
        Blocks();
        Section("ENTITIES");
        for (const Entity& e : d_.entities) WriteEntity(e, modelRecord_);
        EndSection();
        if (!r12_) Objects();
        Group(0, "EOF");
        Finish();
    }

private:
    // A save into a sink needs room for a chunk; one kept whole, for what it will likely take,
    // so that its text is not copied again at every doubling. Only a hint: one the machine
    // refuses is dropped, and the text grows as it would have.
    void Reserve() {
        std::uint64_t bytes = kSinkChunk + kSinkChunk / 4;
        if (!sink_) {
            const std::uint64_t guess =
                d_.file ? d_.file->sourceBytes : kBytesPerEntityGuess * d_.entities.size();
            bytes = std::max(bytes, guess + guess / 8);
        }
        try {
            out_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, out_.max_size())));
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }

    void Finish() {
        NoteDropped();
        if (sink_ && !out_.empty()) (*sink_)(out_);
    }

    // ---- groups ----

    // Every group starts here: a counting pass writes nothing, and a full buffer goes on to
    // the sink between groups.
    [[nodiscard]] bool Code(int code) {
        if (counting_) return false;
        if (sink_ && out_.size() >= kSinkChunk) {
            (*sink_)(out_);
            out_.clear();
        }
        if (writtenCodes_) writtenCodes_->insert(code);
        // Right-aligned in three columns, as every DXF writer puts them.
        if (code >= 0 && code < 1000) {
            char line[5] = {' ', ' ', ' ', '\r', '\n'};
            int i = 2;
            do {
                line[i--] = static_cast<char>('0' + code % 10);
                code /= 10;
            } while (code > 0);
            out_.append(line, sizeof line);
            return true;
        }
        char buf[16];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, code);
        const auto digits = static_cast<std::size_t>(end - buf);
        if (digits < 3) out_.append(3 - digits, ' ');
        out_.append(buf, end);
        out_.append(kEol);
        return true;
    }
    // A value the writer composes itself (markers, handles, fixed names): no escaping needed.
    void Group(int code, std::string_view value) {
        if (!Code(code)) return;
        out_.append(value);
        out_.append(kEol);
    }
    // A value that came from the user: any text at all.
    void Text(int code, std::string_view utf8) {
        if (!Code(code)) return;
        // Into a file of its own code page a text goes in that page; a drawing made here
        // keeps to ASCII with escapes before R2007, which every reader takes.
        if (!utf8_ && file_)
            out_ += dxf::EncodeInCodePage(utf8, targetCodePage_);
        else
            out_ += dxf::EncodeText(utf8, !utf8_);
        out_.append(kEol);
    }
    // A table name or a reference to one (layer, block, style, linetype, application). Before
    // R2007 these go out in the file's code page, not as \U+ escapes: readers compare and
    // check names as they stand, and a backslash is not allowed in one.
    void Name(int code, std::string_view utf8) {
        if (!Code(code)) return;
        out_ += EncodeName(utf8);
        out_.append(kEol);
    }
    std::string EncodeName(std::string_view utf8) const {
        if (utf8_) return dxf::EncodeText(utf8, false);
        return dxf::EncodeInCodePage(utf8, nameCodePage_);
    }
    void Real(int code, double value) {
        if (!std::isfinite(value)) Refuse(Context() + "holds a number that is not finite");
        if (!Code(code)) return;
        out_ += dxf::FormatReal(value);
        out_.append(kEol);
    }
    void Angle(int code, double radians) {
        if (!std::isfinite(radians)) Refuse(Context() + "holds an angle that is not finite");
        if (!Code(code)) return;
        out_ += dxf::DegreesText(radians);
        out_.append(kEol);
    }
    void Int(int code, std::int64_t value) {
        if (!Code(code)) return;
        char buf[24];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
        out_.append(buf, end);
        out_.append(kEol);
    }
    void Point(int code, const Point3& p, bool withZ = true) {
        Real(code, p.x);
        Real(code + 10, p.y);
        if (withZ) Real(code + 20, p.z);
    }
    // The plane's direction only when it is not the world's, as a CAD writes it.
    void Extrusion(const Point3& e) {
        if (!(e == Point3{0, 0, 1})) Point(210, e);
    }
    std::string Context() const {
        return currentId_ ? "entity " + std::to_string(currentId_) + " " : std::string();
    }

    // ---- handles (R2000 and later) ----

    std::string NewHandle() { return HexText(nextHandle_++); }
    void Handle(const std::string& handle) {
        if (!r12_) Group(5, handle);
    }
    void Owner(const std::string& owner) {
        if (!r12_) Group(330, owner);
    }
    void Subclass(std::string_view name) {
        if (!r12_ && !name.empty()) Group(100, name);
    }

    void PlanHandles() {
        for (auto* h : {&rootDict_, &groupDict_, &layoutDict_, &plotStyleDict_, &plotStyleNormal_,
                        &modelLayout_, &paperLayout_, &modelRecord_, &paperRecord_})
            *h = NewHandle();
        for (std::size_t i = 0; i < d_.blocks.size(); ++i) blockRecords_.push_back(NewHandle());
    }

    // The $HANDSEED of the file: the handle after the last one handed out. The header comes
    // first and the handles only as the objects go out, so a first pass that hands out the
    // same handles and formats nothing counts them. What it gathered from the drawing is what
    // this pass would gather: taken over, not gathered twice.
    void CountHandles() {
        Writer counting(d_, requested_, nullptr, nullptr, true);
        counting.Write();
        handSeed_ = counting.nextHandle_;
        names_ = std::move(counting.names_);
        blocks_ = std::move(counting.blocks_);
        extents_ = counting.extents_;
        collected_ = true;
    }

    // ---- what the tables must hold ----

    void Collect() {
        if (collected_) return;
        collected_ = true;
        names_.ReserveLayers(d_.layers.size());
        for (const Layer& l : d_.layers) {
            if (l.name.empty()) Refuse("a layer without a name");
            names_.AddLayer(l);
        }
        names_.AddMissingLayer("0");
        names_.AddMissingLayer(d_.variables.clayer.empty() ? "0" : d_.variables.clayer);
        names_.AddApp("ACAD");
        for (const std::string& a : d_.appIds) {
            if (a.empty()) Refuse("a registered application without a name");
            names_.AddApp(a);
        }
        names_.AddStyle("Standard");
        names_.AddLinetype("Continuous");
        for (const Block& b : d_.blocks) {
            if (b.name.empty()) Refuse("a block without a name");
            std::string upper = UpperAscii(b.name);
            if (upper == "*MODEL_SPACE" || upper.rfind("*PAPER_SPACE", 0) == 0)
                Refuse("a user block may not be named " + b.name);
            if (!blocks_.emplace(std::move(upper), &b).second) Refuse("block " + b.name + " twice");
        }
        auto visit = [&](const Entity& e) {
            currentId_ = e.id;
            names_.AddEntityLayer(e.layer);
            for (const XdataGroup& x : e.xdata) {
                if (x.application.empty()) Refuse(Context() + "has xdata without an application");
                names_.AddApp(x.application);
            }
            if (const auto* t = DataIf<TextData>(e.data))
                names_.AddStyle(t->style.empty() ? "Standard" : t->style);
            if (const auto* i = DataIf<InsertData>(e.data))
                if (!blocks_.count(UpperAscii(i->block)))
                    Refuse(Context() + "inserts block " + i->block + ", which the drawing lacks");
            currentId_ = 0;
        };
        for (const Entity& e : d_.entities) {
            visit(e);
            AddExtents(e);
        }
        for (const Block& b : d_.blocks)
            for (const Entity& e : b.entities) visit(e);
        for (const Layer* l : names_.layers)
            names_.AddLinetype(l->linetype.empty() ? "Continuous" : l->linetype);
    }

    void AddExtents(const Entity& e) {
        VisitData(
            [&](const auto& data) {
                using T = std::decay_t<decltype(data)>;
                if constexpr (std::is_same_v<T, LineData>) {
                    extents_.Add(data.start);
                    extents_.Add(data.end);
                } else if constexpr (std::is_same_v<T, CircleData> || std::is_same_v<T, ArcData>) {
                    extents_.Add(data.center.x - data.radius, data.center.y - data.radius,
                                 data.center.z);
                    extents_.Add(data.center.x + data.radius, data.center.y + data.radius,
                                 data.center.z);
                } else if constexpr (std::is_same_v<T, PolylineData>) {
                    for (const PolylineVertex& v : data.vertices)
                        extents_.Add(v.x, v.y, data.elevation);
                } else if constexpr (std::is_same_v<T, TextData>) {
                    extents_.Add(data.insertion);
                } else if constexpr (std::is_same_v<T, InsertData>) {
                    extents_.Add(data.insertion);
                } else if constexpr (std::is_same_v<T, LeaderData>) {
                    for (const Point3& p : data.vertices) extents_.Add(p);
                }
            },
            e.data);
    }

    // ---- sections ----

    void Section(std::string_view name) {
        Group(0, "SECTION");
        Group(2, name);
    }
    void EndSection() { Group(0, "ENDSEC"); }

    std::string AcadVer() const { return AcadVerText(release_); }

    void HeaderVar(std::string_view name) { Group(9, name); }

    // The code page names go out in before R2007: the drawing's own, so that what was read
    // is written back as it was; for a drawing that has none, the first of Shift-JIS and
    // Western that holds every name (plain ASCII names: Western, as other writers declare).
    // A character the code page lacks is written as \U+XXXX, which readers decode.
    unsigned NameCodePage() const {
        if (d_.codePage != 0 && d_.codePage != platform::kCodePageUtf8) return d_.codePage;
        std::vector<const std::string*> names;
        for (const Layer* l : names_.layers) names.insert(names.end(), {&l->name, &l->linetype});
        for (const auto* list : {&names_.appIds, &names_.styles, &names_.linetypes})
            for (const std::string& s : *list) names.push_back(&s);
        for (const Block& b : d_.blocks) names.push_back(&b.name);
        names.push_back(&d_.variables.dimldrblk);
        names.push_back(&d_.variables.clayer);
        auto holdsAll = [&](unsigned codePage) {
            return std::all_of(names.begin(), names.end(), [&](const std::string* name) {
                return dxf::RoundTrips(*name, codePage);
            });
        };
        if (holdsAll(0)) return platform::kCodePageWestern;  // plain ASCII
        for (unsigned codePage : {platform::kCodePageShiftJis, platform::kCodePageWestern})
            if (holdsAll(codePage)) return codePage;
        return platform::kCodePageShiftJis;
    }

    void Header() {
        const Variables& v = d_.variables;
        Section("HEADER");
        HeaderVar("$ACADVER");
        Group(1, AcadVer());
        // Before R2007 texts beyond ASCII are escaped and names are in this code page.
        HeaderVar("$DWGCODEPAGE");
        Group(3, dxf::CodePageName(utf8_ ? d_.codePage : nameCodePage_));
        if (!r12_) {
            HeaderVar("$HANDSEED");
            Group(5, HexText(handSeed_, 16));
        }
        HeaderVar("$INSBASE");
        Point(10, Point3{});
        const Point3 min = extents_.any ? extents_.min : Point3{};
        const Point3 max = extents_.any ? extents_.max : Point3{};
        HeaderVar("$EXTMIN");
        Point(10, min);
        HeaderVar("$EXTMAX");
        Point(10, max);
        HeaderVar("$CLAYER");
        Name(8, v.clayer.empty() ? "0" : v.clayer);
        HeaderVar("$AUNITS");
        Int(70, v.aunits);
        HeaderVar("$ANGBASE");
        Real(50, v.angbase);
        HeaderVar("$ANGDIR");
        Int(70, v.angdir);
        HeaderVar("$SNAPMODE");
        Int(70, v.snapmode);
        HeaderVar("$DIMASZ");
        Real(40, v.dimasz);
        HeaderVar("$DIMSCALE");
        Real(40, v.dimscale);
        HeaderVar("$DIMLDRBLK");
        Name(1, v.dimldrblk);
        EndSection();
    }

    // ---- TABLES ----

    std::string BeginTable(std::string_view name, std::size_t count) {
        const std::string handle = r12_ ? std::string() : NewHandle();
        Group(0, "TABLE");
        Group(2, name);
        Handle(handle);
        Owner("0");
        Subclass("AcDbSymbolTable");
        Int(70, static_cast<std::int64_t>(count));
        return handle;
    }
    void EndTable() { Group(0, "ENDTAB"); }
    // The groups every table entry opens with; R2000 and later add its handle and class.
    void BeginEntry(std::string_view type, const std::string& table, std::string_view subclass) {
        Group(0, type);
        if (!r12_) {
            Group(type == "DIMSTYLE" ? 105 : 5, NewHandle());
            Owner(table);
            Subclass("AcDbSymbolTableRecord");
            Subclass(subclass);
        }
    }

    void Tables() {
        Section("TABLES");

        std::string table = BeginTable("VPORT", 1);
        BeginEntry("VPORT", table, "AcDbViewportTableRecord");
        Group(2, "*ACTIVE");
        Int(70, 0);
        Point(10, Point3{}, false);
        Point(11, Point3{1, 1, 0}, false);
        const Point3 min = extents_.any ? extents_.min : Point3{};
        const Point3 max = extents_.any ? extents_.max : Point3{};
        // Halves first: extents near the ends of the double range must not overflow.
        Point(12, Point3{min.x / 2 + max.x / 2, min.y / 2 + max.y / 2, 0}, false);
        Point(13, Point3{}, false);
        Point(14, Point3{1, 1, 0}, false);
        Point(15, Point3{1, 1, 0}, false);
        Point(16, Point3{0, 0, 1});
        Point(17, Point3{});
        double height = d_.variables.viewsize;
        if (!(height > 0) || !std::isfinite(height))
            height = std::max({max.y / 2 - min.y / 2, (max.x / 2 - min.x / 2) / 1.5, 0.5}) * 2.2;
        if (!std::isfinite(height)) height = std::numeric_limits<double>::max();
        Real(40, height);
        Real(41, 1.5);
        Real(42, 50);
        Real(43, 0);
        Real(44, 0);
        Real(50, 0);
        Real(51, 0);
        for (int code : {71, 72, 73, 74, 75, 76, 77, 78})
            Int(code, code == 72 ? 100 : code == 73 || code == 74 ? 1 : 0);
        EndTable();

        const bool modern = !r12_;
        std::vector<std::string> linetypes = names_.linetypes;
        if (modern) {
            linetypes.erase(std::remove_if(linetypes.begin(), linetypes.end(),
                                           [](const std::string& s) {
                                               const std::string u = UpperAscii(s);
                                               return u == "BYBLOCK" || u == "BYLAYER";
                                           }),
                            linetypes.end());
            linetypes.insert(linetypes.begin(), {"ByBlock", "ByLayer"});
        }
        table = BeginTable("LTYPE", linetypes.size());
        for (const std::string& name : linetypes) LinetypeEntry(name, table);
        EndTable();

        table = BeginTable("LAYER", names_.layers.size());
        for (const Layer* l : names_.layers) LayerEntry(*l, table);
        EndTable();

        table = BeginTable("STYLE", names_.styles.size());
        for (const std::string& s : names_.styles) StyleEntry(s, table);
        EndTable();

        BeginTable("VIEW", 0);
        EndTable();
        BeginTable("UCS", 0);
        EndTable();

        table = BeginTable("APPID", names_.appIds.size());
        for (const std::string& a : names_.appIds) AppIdEntry(a, table);
        EndTable();

        table = BeginTable("DIMSTYLE", 1);
        if (modern) Subclass("AcDbDimStyleTable");
        BeginEntry("DIMSTYLE", table, "AcDbDimStyleTableRecord");
        Group(2, "Standard");
        Int(70, 0);
        Real(41, d_.variables.dimasz);
        Real(40, d_.variables.dimscale);
        EndTable();

        if (modern) {
            table = BeginTable("BLOCK_RECORD", 2 + d_.blocks.size());
            auto record = [&](const std::string& handle, std::string_view name,
                              const std::string& layout) {
                BlockRecordEntry(handle, name, layout, table);
            };
            record(modelRecord_, "*Model_Space", modelLayout_);
            record(paperRecord_, "*Paper_Space", paperLayout_);
            for (std::size_t i = 0; i < d_.blocks.size(); ++i)
                record(blockRecords_[i], d_.blocks[i].name, "");
            EndTable();
        }
        EndSection();
    }

    void LinetypeEntry(const std::string& name, const std::string& table) {
        BeginEntry("LTYPE", table, "AcDbLinetypeTableRecord");
        Name(2, name);
        Int(70, 0);
        // A linetype known here only by name is declared continuous: its pattern lives
        // in the file it came from, and a declared entry keeps the reference valid.
        Group(3, UpperAscii(name) == "CONTINUOUS" ? "Solid line" : "");
        Int(72, 65);
        Int(73, 0);
        Real(40, 0);
    }

    void LayerEntry(const Layer& l, const std::string& table) {
        BeginEntry("LAYER", table, "AcDbLayerTableRecord");
        Name(2, l.name);
        Int(70, 0);
        Int(62, l.color == 0 ? 7 : l.color);
        Name(6, l.linetype.empty() ? "Continuous" : l.linetype);
        if (!r12_) {
            Int(370, -3);
            if (!plotStyleNormal_.empty()) Group(390, plotStyleNormal_);
        }
    }

    void StyleEntry(const std::string& name, const std::string& table) {
        BeginEntry("STYLE", table, "AcDbTextStyleTableRecord");
        Name(2, name);
        Int(70, 0);
        Real(40, 0);
        Real(41, 1);
        Real(50, 0);
        Int(71, 0);
        Real(42, 2.5);
        Group(3, "txt");
        Group(4, "");
    }

    void AppIdEntry(const std::string& name, const std::string& table) {
        BeginEntry("APPID", table, "AcDbRegAppTableRecord");
        Name(2, name);
        Int(70, 0);
    }

    void BlockRecordEntry(const std::string& handle, std::string_view name,
                          const std::string& layout, const std::string& table) {
        Group(0, "BLOCK_RECORD");
        Group(5, handle);
        Owner(table);
        Subclass("AcDbSymbolTableRecord");
        Subclass("AcDbBlockTableRecord");
        Name(2, name);
        Group(340, layout.empty() ? "0" : layout);
    }

    // ---- BLOCKS ----

    void BlockBegin(const std::string& record, std::string_view name, const Point3& base,
                    bool user) {
        Group(0, "BLOCK");
        Handle(NewHandleIfModern());
        Owner(record);
        Subclass("AcDbEntity");
        Group(8, "0");
        Subclass("AcDbBlockBegin");
        Name(2, name);
        Int(70, !name.empty() && name[0] == '*' && user ? 1 : 0);
        Point(10, base);
        Name(3, name);
        if (!r12_) Group(1, "");
    }
    void BlockEnd(const std::string& record) {
        Group(0, "ENDBLK");
        Handle(NewHandleIfModern());
        Owner(record);
        Subclass("AcDbEntity");
        Group(8, "0");
        Subclass("AcDbBlockEnd");
    }
    std::string NewHandleIfModern() { return r12_ ? std::string() : NewHandle(); }

    void Blocks() {
        Section("BLOCKS");
        if (!r12_) {
            BlockBegin(modelRecord_, "*Model_Space", Point3{}, false);
            BlockEnd(modelRecord_);
            BlockBegin(paperRecord_, "*Paper_Space", Point3{}, false);
            BlockEnd(paperRecord_);
        }
        for (std::size_t i = 0; i < d_.blocks.size(); ++i) {
            const Block& b = d_.blocks[i];
            const std::string record = r12_ ? std::string() : blockRecords_[i];
            BlockBegin(record, b.name, b.base, true);
            for (const Entity& e : b.entities) WriteEntity(e, record);
            BlockEnd(record);
        }
        EndSection();
    }

    // ---- ENTITIES ----

    void BeginEntity(std::string_view type, const Entity& e, const std::string& owner,
                     std::string_view subclass) {
        Group(0, type);
        const bool main = &e != lastBegun_;  // not a VERTEX or SEQEND of the same entity
        lastBegun_ = &e;
        const bool keepHandle = main && file_ && !r12_ && !e.raw.empty();
        const std::string handle = keepHandle ? std::string(text::Trim(e.raw.Find(5))) : "";
        Handle(handle.empty() ? NewHandleIfModern() : handle);
        if (keepHandle) CarryReactors(e.raw);
        Owner(owner);
        Subclass("AcDbEntity");
        Name(8, e.layer.empty() ? "0" : e.layer);
        if (main && !e.raw.empty()) CarryProperties(e.raw);
        Subclass(subclass);
    }

    // An entity written from the model keeps the properties of its groups that the model
    // does not hold (colour, linetype, lineweight, true colour, ...) when it has them.
    void CarryProperties(const RawGroups& raw) {
        const bool sourceR12 = d_.file && d_.file->release <= kR12;
        for (const auto& [code, value] : raw.Slice(1, raw.size())) {
            if (code == 0 || code >= 1000) break;
            if (code == 100 && text::Trim(value) != "AcDbEntity") {
                if (!sourceR12) break;
                continue;
            }
            const bool carried = r12_ ? (code == 6 || code == 62)
                                      : (code == 6 || code == 48 || code == 60 || code == 62 ||
                                         code == 370 || code == 420 || code == 430 || code == 440);
            if (!carried) continue;
            if (r12_ || release_ >= kR2004 || code < 420) RawGroup(code, value);
        }
    }

    // The {ACAD_REACTORS ...} and {ACAD_XDICTIONARY ...} lists after the handle.
    void CarryReactors(const RawGroups& raw) {
        bool inside = false;
        for (const auto& [code, value] : raw.Slice(1, raw.size())) {
            if (code == 0) break;
            if (code == 102) {
                inside = text::Trim(value).rfind('{', 0) == 0;
                RawGroup(code, value);
                continue;
            }
            if (inside) {
                RawGroup(code, value);
            } else if (code != 5) {
                break;
            }
        }
    }

    void WriteEntity(const Entity& e, const std::string& owner) {
        currentId_ = e.id;
        lastBegun_ = nullptr;
        std::set<int> written;
        const bool noteDropped = dropped_ && !e.raw.empty() && !file_;
        if (noteDropped) writtenCodes_ = &written;
        VisitData([&](const auto& data) { WriteData(e, owner, data); }, e.data);
        writtenCodes_ = nullptr;
        if (noteDropped) NoteDroppedGroups(e, written);
        currentId_ = 0;
    }

    void WriteData(const Entity& e, const std::string&, const OtherEntityData& d) {
        // Known only by its groups: those of a file of another kind, or none at all for a
        // copy made here, cannot be written.
        (void)e;
        Drop(d.type + " entities");
    }

    void WriteData(const Entity& e, const std::string& owner, const LineData& d) {
        BeginEntity("LINE", e, owner, "AcDbLine");
        Point(10, d.start);
        Point(11, d.end);
        Xdata(e.xdata);
    }

    void WriteData(const Entity& e, const std::string& owner, const CircleData& d) {
        BeginEntity("CIRCLE", e, owner, "AcDbCircle");
        Point(10, d.center);
        Real(40, d.radius);
        Extrusion(d.extrusion);
        Xdata(e.xdata);
    }

    void WriteData(const Entity& e, const std::string& owner, const ArcData& d) {
        BeginEntity("ARC", e, owner, "AcDbCircle");
        Point(10, d.center);
        Real(40, d.radius);
        Extrusion(d.extrusion);
        Subclass("AcDbArc");
        Angle(50, d.startAngle);
        Angle(51, d.endAngle);
        Xdata(e.xdata);
    }

    void WriteData(const Entity& e, const std::string& owner, const TextData& d) {
        const auto [h, v] = AlignmentGroups(d.alignment);
        BeginEntity("TEXT", e, owner, "AcDbText");
        Point(10, d.insertion);
        Real(40, d.height);
        Text(1, d.text);
        Angle(50, d.rotation);
        Name(7, d.style.empty() ? "Standard" : d.style);
        if (h != 0) Int(72, h);
        if (d.alignment != TextAlignment::Left) Point(11, d.alignmentPoint);
        Extrusion(d.extrusion);
        Subclass("AcDbText");
        if (v != 0) Int(73, v);
        Xdata(e.xdata);
    }

    void WriteData(const Entity& e, const std::string& owner, const InsertData& d) {
        BeginEntity("INSERT", e, owner, "AcDbBlockReference");
        Name(2, d.block);
        Point(10, d.insertion);
        Real(41, d.scaleX);
        Real(42, d.scaleY);
        Real(43, d.scaleZ);
        Angle(50, d.rotation);
        Extrusion(d.extrusion);
        Xdata(e.xdata);
    }

    void WriteData(const Entity& e, const std::string& owner, const PolylineData& d) {
        if (!r12_) {
            BeginEntity("LWPOLYLINE", e, owner, "AcDbPolyline");
            Int(90, static_cast<std::int64_t>(d.vertices.size()));
            Int(70, d.closed ? 1 : 0);
            if (d.elevation != 0) Real(38, d.elevation);
            for (const PolylineVertex& v : d.vertices) {
                Real(10, v.x);
                Real(20, v.y);
                if (v.bulge != 0) Real(42, v.bulge);
            }
            Extrusion(d.extrusion);
            Xdata(e.xdata);
            return;
        }
        // R12 has no lightweight polyline: the classic one with its vertices and SEQEND.
        WritePolyline(e, d.vertices, d.closed, d.elevation, e.xdata, d.extrusion);
    }

    void WritePolyline(const Entity& e, const std::vector<PolylineVertex>& vertices, bool closed,
                       double elevation, const std::vector<XdataGroup>& xdata,
                       const Point3& extrusion = {0, 0, 1}) {
        BeginEntity("POLYLINE", e, "", "");
        Int(66, 1);
        Point(10, Point3{0, 0, elevation});
        Int(70, closed ? 1 : 0);
        Extrusion(extrusion);
        Xdata(xdata);
        for (const PolylineVertex& v : vertices) {
            BeginEntity("VERTEX", e, "", "");
            Point(10, Point3{v.x, v.y, elevation});
            if (v.bulge != 0) Real(42, v.bulge);
            Int(70, 0);
        }
        BeginEntity("SEQEND", e, "", "");
    }

    void WriteData(const Entity& e, const std::string& owner, const LeaderData& d) {
        if (d.vertices.size() < 2) Refuse(Context() + "is a leader with fewer than two vertices");
        if (r12_) {
            // R12 knows no leaders: its path as an open polyline and the arrowhead as a filled
            // triangle, so the drawing still shows what the user drew.
            std::vector<PolylineVertex> path;
            for (const Point3& p : d.vertices) path.push_back({p.x, p.y, 0});
            WritePolyline(e, path, false, d.vertices.empty() ? 0 : d.vertices[0].z, e.xdata);
            if (d.arrowhead && d.vertices.size() >= 2) WriteArrowhead(e, d);
            return;
        }
        BeginEntity("LEADER", e, owner, "AcDbLeader");
        Group(3, "Standard");
        Int(71, d.arrowhead ? 1 : 0);
        Int(72, 0);
        Int(73, 3);
        Int(74, 0);
        Int(75, 0);
        Real(40, 0);
        Real(41, 0);
        Int(76, static_cast<std::int64_t>(d.vertices.size()));
        for (const Point3& p : d.vertices) Point(10, p);
        // The arrow size travels as the leader's own dimension override, as a CAD stores it.
        Group(1001, "ACAD");
        Group(1000, "DSTYLE");
        Group(1002, "{");
        Int(1070, 41);
        Real(1040, d.arrowSize);
        Int(1070, 40);
        Real(1040, 1.0);
        Group(1002, "}");
        Xdata(e.xdata, /*skipAcadDstyle=*/true);
    }

    void WriteArrowhead(const Entity& e, const LeaderData& d) {
        const Point3 tip = d.vertices[0];
        const Point3 next = d.vertices[1];
        const double len = std::hypot(next.x - tip.x, next.y - tip.y);
        if (!(len > 0) || !(d.arrowSize > 0)) return;
        const double ux = (next.x - tip.x) / len, uy = (next.y - tip.y) / len;
        const double s = d.arrowSize;
        const Point3 back{tip.x + ux * s, tip.y + uy * s, tip.z};
        const Point3 left{back.x - uy * s / 6, back.y + ux * s / 6, tip.z};
        const Point3 right{back.x + uy * s / 6, back.y - ux * s / 6, tip.z};
        BeginEntity("SOLID", e, "", "");
        Point(10, tip);
        Point(11, left);
        Point(12, right);
        Point(13, right);
    }

    void Xdata(const std::vector<XdataGroup>& xdata, bool skipAcadDstyle = false) {
        for (const XdataGroup& x : xdata) {
            if (skipAcadDstyle && UpperAscii(x.application) == "ACAD") continue;
            Name(1001, x.application);
            for (const XdataItem& item : x.items) XdataValue(item);
        }
    }

    void XdataValue(const XdataItem& item) {
        const int code = item.code;
        const std::optional<XdataKind> kind = XdataKindOfCode(code);
        try {
            if (kind == XdataKind::LayerName) {
                Name(code, item.value.AsText());
            } else if (kind && IsTextKind(*kind)) {
                Text(code, item.value.AsText());
            } else if (kind == XdataKind::Point) {
                if (!item.value.IsArray())
                    Refuse(Context() + "has an xdata point that is not an array");
                const auto& items = item.value.AsArray().items;
                if (items.size() != 3 && items.size() != 2)
                    Refuse(Context() + "has an xdata point without 2 or 3 coordinates");
                Real(code, items[0].AsDouble());
                Real(code + 10, items[1].AsDouble());
                Real(code + 20, items.size() == 3 ? items[2].AsDouble() : 0.0);
            } else if (kind == XdataKind::Real) {
                Real(code, item.value.AsDouble());
            } else if (kind == XdataKind::Int16) {
                const std::int32_t v = item.value.AsInt();
                if (v < -32768 || v > 32767) Refuse(Context() + "has a 1070 value beyond 16 bits");
                Int(code, v);
            } else if (kind == XdataKind::Int32) {
                Int(code, item.value.AsInt());
            } else {
                Refuse(Context() + "has xdata with group code " + std::to_string(code));
            }
        } catch (const DxfError&) {
            throw;
        } catch (const std::exception& ex) {
            Refuse(Context() + "has xdata " + std::to_string(code) +
                   " of the wrong type: " + ex.what());
        }
    }

    // ---- a drawing read from a file, saved in a version of its kind ----

    // The block records' handles: owners of what the model adds. False when the file lacks
    // them (then it is written from the model).
    bool FindKeptRecords() {
        for (const DxfFileImage::Table& t : d_.file->tables) {
            tableHandles_[t.name] = std::string(text::Trim(t.head.Find(5)));
            if (t.name != "BLOCK_RECORD") continue;
            for (const DxfFileImage::Entry& e : t.entries)
                recordHandles_[UpperAscii(e.name)] = std::string(text::Trim(e.raw.Find(5)));
        }
        auto model = recordHandles_.find("*MODEL_SPACE");
        if (model == recordHandles_.end() || model->second.empty()) return false;
        modelRecord_ = model->second;
        return true;
    }

    // A value as read, in the target's encoding.
    void RawGroup(int code, std::string_view value) {
        if (!Code(code)) return;
        if (sourceCodePage_ != targetCodePage_ && !IsAscii(value) &&
            dxf::KindOfCode(code) == dxf::ValueKind::Text) {
            auto utf8 = platform::DecodeCodePage(value, sourceCodePage_);
            if (!utf8 && platform::IsValidUtf8(value)) utf8 = std::string(value);
            if (utf8 && targetCodePage_ == platform::kCodePageUtf8) {
                out_ += *utf8;
            } else if (utf8) {
                // Carets and escapes are already in the value; only its characters move.
                std::string moved;
                for (std::size_t i = 0; i < utf8->size();) {
                    const auto lead = static_cast<unsigned char>((*utf8)[i]);
                    const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
                    const std::string_view ch = std::string_view(*utf8).substr(i, len);
                    i += len;
                    moved +=
                        lead < 0x80 ? std::string(ch) : dxf::EncodeInCodePage(ch, targetCodePage_);
                }
                out_ += moved;
            } else {
                out_ += value;
            }
        } else {
            out_ += value;
        }
        out_.append(kEol);
    }

    void RawOut(const RawGroups& raw) {
        if (counting_) return;
        for (const auto& [code, value] : raw) KeptGroup(code, value);
    }

    // A group as read, unless the target release has no place for it.
    void KeptGroup(int code, std::string_view value) {
        if (counting_) return;
        if (dropTrueColour_ && (code == 420 || code == 430 || code == 440)) {
            Drop("true colour and transparency groups (420/430/440)");
            return;
        }
        RawGroup(code, value);
    }

    void WriteKept() {
        Collect();
        const DxfFileImage& f = *file_;
        nextHandle_ = std::max<std::uint64_t>({f.handleCeiling, f.handSeed, 1});
        firstNewHandle_ = nextHandle_;
        bool tables = false, blocks = false, entities = false;
        auto before = [&](bool needTables, bool needBlocks) {
            // A file without the sections the model needs gets them in their place.
            if (needTables && !tables) {
                Tables();
                tables = true;
            }
            if (needBlocks && !blocks && !d_.blocks.empty()) {
                KeptBlocks();
                blocks = true;
            }
        };
        // A file without a HEADER gets one when the code page its strings were read in must be
        // declared: the bytes that chose it may not all be written back the same, and the saved
        // file's may point another way.
        bool header = f.headers.empty() && CodePageToDeclare();
        if (header) KeptHeader();
        // A file may repeat a section; what all its copies held was read into one model and
        // goes out once, in the place of the first, or every object would be written twice.
        for (const DxfFileImage::Section& section : f.sections) {
            if (section.name == "HEADER") {
                if (!header) KeptHeader();
                header = true;
            } else if (section.name == "TABLES") {
                if (!tables) KeptTables();
                tables = true;
            } else if (section.name == "BLOCKS") {
                if (blocks) continue;
                before(r12_, false);
                KeptBlocks();
                blocks = true;
            } else if (section.name == "ENTITIES") {
                if (entities) continue;
                before(r12_, true);
                KeptEntities();
                entities = true;
            } else {
                RawOut(section.raw);
            }
        }
        if (!entities) {
            before(r12_, true);
            KeptEntities();
        }
        Group(0, "EOF");
        Finish();
    }

    // The seed as read stays unless new handles are handed out: a file whose seed lies below a
    // handle it merely refers to is kept as it is.
    void KeptHandSeed(std::string_view asRead) {
        HeaderVar("$HANDSEED");
        if (handSeed_ != firstNewHandle_ || asRead.empty())
            Group(5, HexText(handSeed_));
        else
            Group(5, asRead);
    }

    // The header as read, every HEADER section of the file in one; the variables the model
    // changed from what was read are written from the model in their place, wherever the
    // file named them (the last one read back wins), or added at the end; $ACADVER and
    // $HANDSEED follow the file being written.
    void KeptHeader() {
        const DxfFileImage& f = *file_;
        const Variables& v = d_.variables;
        const Variables& was = f.variables;
        std::map<std::string, std::function<void()>> patches;
        if (v.aunits != was.aunits) patches["$AUNITS"] = [&] { Int(70, v.aunits); };
        if (v.angbase != was.angbase) patches["$ANGBASE"] = [&] { Real(50, v.angbase); };
        if (v.angdir != was.angdir) patches["$ANGDIR"] = [&] { Int(70, v.angdir); };
        if (v.snapmode != was.snapmode) patches["$SNAPMODE"] = [&] { Int(70, v.snapmode); };
        if (UpperAscii(v.clayer) != UpperAscii(was.clayer))
            patches["$CLAYER"] = [&] { Name(8, v.clayer.empty() ? "0" : v.clayer); };
        if (v.dimasz != was.dimasz) patches["$DIMASZ"] = [&] { Real(40, v.dimasz); };
        if (v.dimscale != was.dimscale) patches["$DIMSCALE"] = [&] { Real(40, v.dimscale); };
        if (v.dimldrblk != was.dimldrblk) patches["$DIMLDRBLK"] = [&] { Name(1, v.dimldrblk); };
        if (release_ != f.release) patches["$ACADVER"] = [&] { Group(1, AcadVer()); };
        if (CodePageToDeclare())
            patches["$DWGCODEPAGE"] = [&] { Group(3, dxf::CodePageName(d_.codePage)); };
        bool seed = false;
        std::set<std::string> patched;
        Section("HEADER");
        for (const RawGroups& h : f.headers) {
            // A variable runs from its group 9 to the next one: groups [i, j).
            auto it = h.begin();
            for (std::size_t i = 0; i < h.size();) {
                const std::string name(it->code == 9 ? text::Trim(it->value) : std::string_view());
                std::string_view asRead;  // the last group 5 of it, for $HANDSEED
                std::size_t j = i + 1;
                for (++it; it != h.end() && it->code != 9; ++it, ++j)
                    if (it->code == 5) asRead = it->value;
                auto patch = patches.find(name);
                if (&h != &f.headers.front() && (name == "$ACADVER" || name == "$DWGCODEPAGE")) {
                    // How the strings read was decided by the first section alone; copies of
                    // these in a later one went unheeded, and in one section they would not.
                } else if (patch != patches.end()) {
                    HeaderVar(name);
                    patch->second();
                    patched.insert(name);
                } else if (name == "$HANDSEED" && !r12_) {
                    KeptHandSeed(asRead);
                    seed = true;
                } else {
                    RawOut(h.Slice(i, j));
                }
                i = j;
            }
        }
        for (auto& [name, write] : patches) {
            if (patched.contains(name)) continue;
            HeaderVar(name);
            write();
        }
        if (!seed && !r12_) KeptHandSeed("");
        EndSection();
    }

    // The code page the strings were read in (the user's, or the one their bytes showed) is
    // declared, so that the saved file reads back the same anywhere.
    [[nodiscard]] bool CodePageToDeclare() const {
        return !utf8_ && d_.codePage != 0 && d_.codePage != platform::kCodePageUtf8 &&
               file_->declaredCodePage != d_.codePage;
    }

    void KeptTables() {
        Section("TABLES");
        for (const DxfFileImage::Table& t : file_->tables) {
            RawOut(t.head);
            const std::string& handle = tableHandles_[t.name];
            if (t.name == "LAYER") {
                for (const Layer* l : names_.layers) {
                    if (!l->raw.empty())
                        RawOut(l->raw);
                    else
                        LayerEntry(*l, handle);
                }
            } else if (t.name == "BLOCK_RECORD") {
                std::unordered_set<std::string> present;
                for (const DxfFileImage::Entry& e : t.entries) {
                    const std::string upper = UpperAscii(e.name);
                    if (!IsLayoutBlockName(e.name) && !FindBlock(e.name)) continue;
                    present.insert(upper);
                    RawOut(e.raw);
                }
                for (const Block& b : d_.blocks) {
                    const std::string upper = UpperAscii(b.name);
                    if (present.count(upper)) continue;
                    const std::string record = NewHandle();
                    recordHandles_[upper] = record;
                    BlockRecordEntry(record, b.name, "", handle);
                }
            } else {
                for (const DxfFileImage::Entry& e : t.entries) RawOut(e.raw);
                const std::vector<std::string>* wanted = t.name == "APPID"   ? &names_.appIds
                                                         : t.name == "STYLE" ? &names_.styles
                                                         : t.name == "LTYPE" ? &names_.linetypes
                                                                             : nullptr;
                std::unordered_set<std::string> present;
                if (wanted)
                    for (const DxfFileImage::Entry& e : t.entries)
                        present.insert(UpperAscii(e.name));
                if (wanted)
                    for (const std::string& name : *wanted) {
                        const std::string upper = UpperAscii(name);
                        if (present.count(upper)) continue;
                        if (upper == "BYLAYER" || upper == "BYBLOCK") continue;
                        if (t.name == "APPID") AppIdEntry(name, handle);
                        if (t.name == "STYLE") StyleEntry(name, handle);
                        if (t.name == "LTYPE") LinetypeEntry(name, handle);
                    }
            }
            RawOut(t.end);
        }
        EndSection();
    }

    const Block* FindBlock(const std::string& name) const {
        const auto it = blocks_.find(UpperAscii(name));
        return it == blocks_.end() ? nullptr : it->second;
    }

    std::string RecordOf(const std::string& block) {
        if (r12_) return std::string();
        auto it = recordHandles_.find(UpperAscii(block));
        return it == recordHandles_.end() ? std::string() : it->second;
    }

    void KeptBlock(const Block& b) {
        const std::string record = RecordOf(b.name);
        if (!b.raw.empty())
            RawOut(b.raw);
        else
            BlockBegin(record, b.name, b.base, true);
        for (const Entity& e : b.entities) KeptEntity(e, record);
        if (!b.rawEnd.empty())
            RawOut(b.rawEnd);
        else
            BlockEnd(record);
    }

    void KeptBlocks() {
        Section("BLOCKS");
        std::unordered_set<std::string> written;
        for (const DxfFileImage::BlockSlot& slot : file_->blocks) {
            if (!slot.user) {
                RawOut(slot.raw);
                continue;
            }
            const Block* b = FindBlock(slot.name);
            if (!b || !written.insert(UpperAscii(b->name)).second) continue;
            KeptBlock(*b);
        }
        for (const Block& b : d_.blocks)
            if (written.insert(UpperAscii(b.name)).second) KeptBlock(b);
        EndSection();
    }

    // Model space in its order, with the paper-space entities of the section where they
    // stood: after the model-space entity they followed in the file.
    void KeptEntities() {
        Section("ENTITIES");
        const auto& paper = file_->paperEntities;
        std::size_t p = 0;
        for (const Entity& e : d_.entities) {
            while (p < paper.size() && paper[p].after < e.id) RawOut(paper[p++].raw);
            KeptEntity(e, modelRecord_);
            while (p < paper.size() && paper[p].after == e.id) RawOut(paper[p++].raw);
        }
        while (p < paper.size()) RawOut(paper[p++].raw);
        EndSection();
    }

    void KeptEntity(const Entity& e, const std::string& owner) {
        if (!e.raw.empty() && !e.changed) {
            RawOut(e.raw);
            return;
        }
        if (!e.raw.empty() && HoldsData<OtherEntityData>(e.data)) {
            // A kind known only by its groups: what the model can change on it is its layer.
            bool layer = false, first = true;
            for (const auto& [code, value] : e.raw) {
                if (!first && code == 0) layer = true;  // its followers keep theirs
                first = false;
                if (code == 8 && !layer) {
                    Name(8, e.layer.empty() ? "0" : e.layer);
                    layer = true;
                    continue;
                }
                KeptGroup(code, value);
            }
            return;
        }
        WriteEntity(e, owner);
    }

    // ---- what a conversion leaves out ----

    void Drop(const std::string& what) {
        if (dropped_) ++droppedCounts_[what];
    }

    // The groups of the entity as read that the model did not write.
    void NoteDroppedGroups(const Entity& e, const std::set<int>& written) {
        if (HoldsData<OtherEntityData>(e.data)) return;  // dropped whole
        const std::string type(text::Trim(e.raw.value(0)));
        std::set<int> seen;
        for (const auto& [code, value] : e.raw.Slice(1, e.raw.size())) {
            if (code == 0) {
                Drop(type + " followers (" + std::string(text::Trim(value)) + ")");
                break;
            }
            if (code >= 1000 || code == 5 || code == 330 || code == 100 || code == 102 ||
                code == 360 || code == 67)
                continue;
            // Counts and flags that the written form holds in its own way.
            if ((type == "LWPOLYLINE" && code == 90) ||
                (type == "LEADER" && (code == 71 || code == 76)))
                continue;
            if (!written.count(code) && seen.insert(code).second)
                Drop(type + " group " + std::to_string(code));
        }
    }

    void NoteDropped() {
        if (!dropped_) return;
        const DxfFileImage* f = d_.file.get();
        if (f && !file_) {
            // Written from the model: what only the file's groups held is left behind.
            if (!f->paperEntities.empty())
                droppedCounts_["paper-space entities"] += f->paperEntities.size();
            for (const DxfFileImage::BlockSlot& slot : f->blocks)
                if (!slot.user && UpperAscii(slot.name) != "*MODEL_SPACE")
                    ++droppedCounts_["paper-space layout blocks"];
            for (const DxfFileImage::Section& s : f->sections)
                if (s.name != "HEADER" && s.name != "TABLES" && s.name != "BLOCKS" &&
                    s.name != "ENTITIES")
                    ++droppedCounts_["section " + s.name];
            for (const DxfFileImage::Table& t : f->tables)
                if (!t.entries.empty())
                    droppedCounts_["table entries of " + t.name + " as read"] += t.entries.size();
            std::size_t variables = 0;
            for (const RawGroups& header : f->headers)
                for (const RawStore::Group& g : header) variables += g.code == 9;
            if (variables > 13) droppedCounts_["header variables as read"] += variables - 13;
        }
        for (const auto& [what, count] : droppedCounts_)
            dropped_->push_back(what + ": " + std::to_string(count) + " not written in " +
                                AcadVer());
    }

    // ---- OBJECTS (R2000 and later) ----

    void Dictionary(const std::string& handle, const std::string& owner,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
        Group(0, "DICTIONARY");
        Group(5, handle);
        Group(330, owner);
        Group(100, "AcDbDictionary");
        Int(281, 1);
        for (const auto& [name, target] : entries) {
            Group(3, name);
            Group(350, target);
        }
    }

    void Layout(const std::string& handle, std::string_view name, int tab,
                const std::string& record) {
        Group(0, "LAYOUT");
        Group(5, handle);
        Group(330, layoutDict_);
        Group(100, "AcDbPlotSettings");
        Group(1, "");
        Group(2, "none_device");
        Group(4, "");
        Group(6, "");
        for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49}) Real(code, 0);
        Real(140, 0);
        Real(141, 0);
        Real(142, 1);
        Real(143, 1);
        Int(70, 688);
        Int(72, 1);
        Int(73, 0);
        Int(74, 5);
        Group(7, "");
        Int(75, 16);
        Real(147, 1);
        Real(148, 0);
        Real(149, 0);
        Group(100, "AcDbLayout");
        Group(1, name);
        Int(70, 1);
        Int(71, tab);
        Point(10, Point3{}, false);
        Point(11, Point3{420, 297, 0}, false);
        Point(12, Point3{});
        Point(14, extents_.any ? extents_.min : Point3{});
        Point(15, extents_.any ? extents_.max : Point3{});
        Real(146, 0);
        Point(13, Point3{});
        Point(16, Point3{1, 0, 0});
        Point(17, Point3{0, 1, 0});
        Int(76, 0);
        Group(330, record);
    }

    void Objects() {
        Section("OBJECTS");
        Dictionary(rootDict_, "0",
                   {{"ACAD_GROUP", groupDict_},
                    {"ACAD_LAYOUT", layoutDict_},
                    {"ACAD_PLOTSTYLENAME", plotStyleDict_}});
        Dictionary(groupDict_, rootDict_, {});
        Dictionary(layoutDict_, rootDict_, {{"Layout1", paperLayout_}, {"Model", modelLayout_}});
        Group(0, "ACDBDICTIONARYWDFLT");
        Group(5, plotStyleDict_);
        Group(330, rootDict_);
        Group(100, "AcDbDictionary");
        Int(281, 1);
        Group(3, "Normal");
        Group(350, plotStyleNormal_);
        Group(100, "AcDbDictionaryWithDefault");
        Group(340, plotStyleNormal_);
        Group(0, "ACDBPLACEHOLDER");
        Group(5, plotStyleNormal_);
        Group(330, plotStyleDict_);
        Layout(modelLayout_, "Model", 0, modelRecord_);
        Layout(paperLayout_, "Layout1", 1, paperRecord_);
        EndSection();
    }

    const Drawing& d_;
    int requested_;  // the release asked for; release_ may move up from it
    int release_;
    bool r12_;
    bool utf8_;
    bool counting_;  // handing out handles only, to learn the seed
    DxfNotes* dropped_;
    const platform::ByteSink* sink_;
    std::set<int>* writtenCodes_ = nullptr;  // the codes of the groups written, when noted
    const DxfFileImage* file_ = nullptr;     // the file's image when its objects are kept
    unsigned sourceCodePage_ = 0, targetCodePage_ = 0;
    bool dropTrueColour_ = false;
    std::unordered_map<std::string, std::string> tableHandles_;   // table name -> handle
    std::unordered_map<std::string, std::string> recordHandles_;  // upper-cased block -> record
    std::unordered_map<std::string, const Block*> blocks_;        // upper-cased name -> block
    std::map<std::string, std::size_t> droppedCounts_;
    const Entity* lastBegun_ = nullptr;
    std::string out_;
    Names names_;
    Extents extents_;
    bool collected_ = false;  // names_, blocks_ and extents_ hold the drawing's
    std::int64_t currentId_ = 0;
    std::uint64_t nextHandle_ = 1;
    std::uint64_t firstNewHandle_ = 1;  // of a kept file: the first handle above its own
    std::uint64_t handSeed_ = 0;        // what $HANDSEED says: from the counting pass
    unsigned nameCodePage_ = platform::kCodePageShiftJis;
    std::string rootDict_, groupDict_, layoutDict_, plotStyleDict_, plotStyleNormal_;
    std::string modelLayout_, paperLayout_, modelRecord_, paperRecord_;
    std::vector<std::string> blockRecords_;
};

// The version asked for, else the one the drawing was read in, else the newest.
int ReleaseToWrite(const Drawing& drawing, std::optional<DxfVersion> version) {
    return version ? ReleaseOf(*version) : drawing.file ? drawing.file->release : kR2018;
}

std::string AsciiText(const Drawing& drawing, int release, DxfNotes* dropped) {
    Writer writer(drawing, release, dropped, nullptr);
    writer.Write();
    return writer.TakeText();
}

std::string PathText(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

std::optional<DxfVersion> DxfVersionFromName(std::string_view name) {
    const std::string upper = UpperAscii(name);
    for (DxfVersion v : {DxfVersion::R12, DxfVersion::R2000, DxfVersion::R2004, DxfVersion::R2007,
                         DxfVersion::R2010, DxfVersion::R2013, DxfVersion::R2018}) {
        const int release = ReleaseOf(v);
        static constexpr const char* kNames[] = {"R12",   "R2000", "R2004", "R2007",
                                                 "R2010", "R2013", "R2018"};
        if (upper == kNames[static_cast<int>(v)] || upper == AcadVerText(release)) return v;
    }
    return std::nullopt;
}

std::string_view AcadVerOf(DxfVersion version) {
    switch (version) {
        case DxfVersion::R12: return "AC1009";
        case DxfVersion::R2000: return "AC1015";
        case DxfVersion::R2004: return "AC1018";
        case DxfVersion::R2007: return "AC1021";
        case DxfVersion::R2010: return "AC1024";
        case DxfVersion::R2013: return "AC1027";
        case DxfVersion::R2018: return "AC1032";
    }
    return "AC1032";
}

std::string WriteDxf(const Drawing& drawing, std::optional<DxfVersion> version, DxfNotes* dropped) {
    std::string ascii = AsciiText(drawing, ReleaseToWrite(drawing, version), dropped);
    if (!drawing.binaryDxf) return ascii;
    return dxf::BinaryFromAscii(ascii, kDrawingSource);
}

void WriteDxfFile(const std::filesystem::path& path, const Drawing& drawing,
                  std::optional<DxfVersion> version, DxfNotes* dropped) {
    const int release = ReleaseToWrite(drawing, version);
    try {
        platform::WriteFileStreamed(path, [&](const platform::ByteSink& sink) {
            // Binary DXF is made from the ASCII text as a whole; ASCII goes out as it is made.
            if (drawing.binaryDxf)
                sink(dxf::BinaryFromAscii(AsciiText(drawing, release, dropped), kDrawingSource));
            else
                Writer(drawing, release, dropped, &sink).Write();
        });
    } catch (const platform::FileWriteError& e) {
        throw DxfError(PathText(path), 0, e.what());
    }
}

}  // namespace tarsel::minicad
