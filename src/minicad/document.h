// minicad's document: owns the Drawing and keeps its invariants (object ids never reused,
// layer "0" always present, names compared upper-cased), the system variables as a CAD
// reports them, selection sets, the command log, and listeners that follow every change.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cadlink/variant.h"
#include "minicad/drawing.h"
#include "text/names.h"

namespace tarsel::minicad {

class BlockBoxes;

// Follows model-space changes so that an index (spatial, boundary tracing) can stay
// incremental. Entities inside block definitions are not reported. The references are
// valid only for the duration of the call.
class DocumentListener {
public:
    virtual ~DocumentListener() = default;
    virtual void OnAdded(const Entity& entity) = 0;
    virtual void OnErased(const Entity& entity) = 0;  // called before the entity is removed
    virtual void OnModified(const Entity& before, const Entity& after) = 0;
    virtual void OnReset() = 0;  // the whole drawing was replaced (opening a file)
};

// A named selection set; the automation objects hold it by pointer, so a deleted set is
// marked rather than destroyed while someone still refers to it.
struct SelectionSetData {
    std::string name;               // as given to Add
    std::vector<std::int64_t> ids;  // model-space ids, in the order selected, no repeats
    bool deleted = false;
};

enum class VariableError : std::uint8_t {
    None,
    UnknownName,   // not a variable minicad knows
    ReadOnly,      // EXTMIN, EXTMAX, VIEWSIZE
    TypeMismatch,  // text for a number, a number for text, not a 3-double point
    BadValue,      // out of range, missing layer for CLAYER, unknown arrow block
};

enum class BlockDeleteResult : std::uint8_t { Deleted, NotFound, Referenced };

// Bounding box of the drawing as EXTMIN/EXTMAX report it. An empty drawing reports the
// inverted box (1e20 .. -1e20) a CAD shows before anything is drawn.
struct Extents {
    Point3 min{1e20, 1e20, 1e20};
    Point3 max{-1e20, -1e20, -1e20};
    [[nodiscard]] bool IsEmpty() const { return min.x > max.x; }
};

class Document {
public:
    // A new, empty metric drawing.
    Document();
    explicit Document(Drawing drawing);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    [[nodiscard]] const Drawing& drawing() const { return drawing_; }

    // Replaces the whole drawing (opening a file). Ids are renumbered when the incoming
    // drawing's ids are not strictly increasing; selection sets are dropped; OnReset fires.
    void Reset(Drawing drawing);

    // --- entities --------------------------------------------------------------------
    // Model space in creation order. AddEntity gives the entity the next id (any id it
    // carries is ignored) and returns it; an empty layer becomes CLAYER, and a layer or
    // xdata application the drawing lacks is created, as inserting or loading a drawing does.
    [[nodiscard]] const std::vector<Entity>& Entities() const { return drawing_.entities; }
    std::int64_t AddEntity(Entity entity);
    // Adds to a block definition; 0 when the block does not exist.
    std::int64_t AddBlockEntity(std::string_view blockName, Entity entity);
    // Searches model space first, then the block definitions.
    [[nodiscard]] const Entity* FindEntity(std::int64_t id) const;
    [[nodiscard]] bool IsInModelSpace(std::int64_t id) const;
    // The name of the block definition holding id, or nullopt (model space or missing).
    [[nodiscard]] std::optional<std::string> OwnerBlock(std::int64_t id) const;
    // Changes an entity in place and notifies OnModified (model space only). change must
    // not alter the id. False when the id is unknown.
    bool ModifyEntity(std::int64_t id, const std::function<void(Entity&)>& change);
    // Removes an entity (model space or block definition). False when unknown.
    bool EraseEntity(std::int64_t id);
    // The id of the last model-space entity, 0 when there is none.
    [[nodiscard]] std::int64_t LastEntityId() const;

    // --- layers, applications, blocks ------------------------------------------------
    [[nodiscard]] const Layer* FindLayer(std::string_view name) const;  // upper-cased compare
    // Adds a layer unless one of that name exists; returns the layer either way.
    const Layer& AddLayer(std::string_view name);
    // Layer "0", the current layer and layers in use stay; false then.
    bool DeleteLayer(std::string_view name);
    [[nodiscard]] bool IsAppRegistered(std::string_view name) const;
    void RegisterApp(std::string_view name);
    [[nodiscard]] const Block* FindBlock(std::string_view name) const;
    // Adds an empty definition, or returns the existing one of that name.
    const Block& AddBlock(std::string_view name, const Point3& base);
    // A block still referenced by an INSERT (in model space or in another block) stays.
    BlockDeleteResult DeleteBlock(std::string_view name);
    [[nodiscard]] bool IsBlockReferenced(std::string_view name) const;

    // --- system variables ------------------------------------------------------------
    // The variables: AUNITS, ANGBASE (degrees), ANGDIR, SNAPMODE, CLAYER, VIEWSIZE, EXTMIN,
    // EXTMAX, LASTPOINT, DIMASZ, DIMLDRBLK, DIMSCALE. Integers are reported as Int16, reals
    // as Double, points as an R8 array of three, names as Text (DIMLDRBLK "" for the
    // default arrow; setting "." selects the default).
    [[nodiscard]] std::optional<cadlink::Variant> GetVariable(std::string_view name) const;
    VariableError SetVariable(std::string_view name, const cadlink::Variant& value);
    // Converts a typed-in value ("90", "H_TEXT", "1,2,0") to the variable's type, as the
    // CAD's SETVAR does. Fails with the same errors as SetVariable, without setting.
    [[nodiscard]] VariableError ParseVariableText(std::string_view name, std::string_view text,
                                                  cadlink::Variant& out) const;
    [[nodiscard]] static bool IsKnownVariable(std::string_view name);
    [[nodiscard]] static std::string_view VariableErrorText(VariableError error);
    // References count their block's box, placed (see BlockBoxes): however deep blocks
    // nest, the work is linear in the drawing's size.
    [[nodiscard]] Extents ComputeExtents() const;
    // The blocks' boxes, kept until a block definition changes.
    [[nodiscard]] const BlockBoxes& Blocks() const;
    // The height of the view "zoomed to extents": what VIEWSIZE reports after opening.
    void ZoomExtents();
    void SetViewSize(double height);
    void SetLastPoint(const Point3& p) { drawing_.variables.lastpoint = p; }

    // --- selection sets --------------------------------------------------------------
    [[nodiscard]] const std::vector<std::shared_ptr<SelectionSetData>>& SelectionSets() const {
        return selectionSets_;
    }
    // nullptr when the name (upper-cased) is already in use.
    std::shared_ptr<SelectionSetData> AddSelectionSet(std::string_view name);
    void DeleteSelectionSet(const std::shared_ptr<SelectionSetData>& set);
    // "Previous" as MOVE's PRE and the P selection option see it: the last selection made.
    [[nodiscard]] const std::vector<std::int64_t>& PreviousSelection() const { return previous_; }
    void SetPreviousSelection(std::vector<std::int64_t> ids) { previous_ = std::move(ids); }

    // --- command log and listeners ---------------------------------------------------
    // One entry per line; "\r\n" inside a text splits it into lines.
    [[nodiscard]] const std::vector<std::string>& CommandLog() const { return log_; }
    void Log(std::string_view text);
    void AddListener(DocumentListener* listener);
    void RemoveListener(DocumentListener* listener);

private:
    struct Location {
        std::vector<Entity>* list = nullptr;
        std::size_t index = 0;
        bool modelSpace = false;
    };
    Location Locate(std::int64_t id) const;
    void NormaliseIds();
    // The name indexes below follow the tables; these rebuild them after the tables moved.
    void IndexLayers();
    void IndexBlocks();
    void IndexApps();
    [[nodiscard]] Block* FindBlockForChange(std::string_view name);
    // A block definition changed: the boxes computed for it and the blocks holding it go.
    void BlocksChanged();

    Drawing drawing_;
    // Upper-cased names (text::UpperAscii) to their place in the tables: lookups by name
    // run on every entity read or added, and a drawing may hold tens of thousands of
    // layers. The first of two entries of one name wins, as a scan from the front would.
    std::unordered_map<std::string, std::size_t> layerIndex_;
    std::unordered_map<std::string, std::size_t> blockIndex_;
    std::unordered_set<std::string> appIndex_;
    mutable std::unique_ptr<BlockBoxes> blockBoxes_;
    std::vector<std::shared_ptr<SelectionSetData>> selectionSets_;
    std::vector<std::int64_t> previous_;
    std::vector<std::string> log_;
    std::vector<DocumentListener*> listeners_;
};

// Names compare as the CAD's tables do: text::UpperAscii, text::EqualsIgnoringAsciiCase.
// UpperName stays for callers outside minicad that still use it.
[[nodiscard]] inline std::string UpperName(std::string_view name) {
    return text::UpperAscii(name);
}
// A point as automation hands it out: an array of three doubles.
[[nodiscard]] cadlink::Variant PointVariant(const Point3& p);
// A name a CAD accepts for a layer or block: not empty, at most 255 bytes, none of
// <>/\":;?*|=` and no control characters.
[[nodiscard]] bool IsValidSymbolName(std::string_view name);

}  // namespace tarsel::minicad
