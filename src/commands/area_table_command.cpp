#include "commands/area_table_command.h"

#include <cstdint>
#include <variant>

#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"
#include "commands/triangle_collection.h"

namespace tarsel::commands {

using areatable::AreaMethod;
using areatable::AreaTable;
using areatable::AreaTableResult;
using areatable::LayoutAreaTable;
using areatable::SortTriangleData;
using areatable::TableItem;
using areatable::TableLine;
using areatable::TableSettings;
using areatable::TableText;
using areatable::TriangleDataList;

using cadlink::Call;
using cadlink::ObjectRef;
using cadlink::Put;
using cadlink::Variant;

namespace {

constexpr std::uint32_t kInsertPollMs = 200;

// Removes the block definition when the table cannot be finished, so that a failure leaves no
// unreferenced "Tarsel_" block behind. A definition the CAD still refers to stays (DeleteBlock
// refuses it), and a CAD that has gone away cannot be tidied: the original failure matters.
class BlockCleanup {
public:
    BlockCleanup(ObjectRef doc, std::string name) : doc_(std::move(doc)), name_(std::move(name)) {}
    ~BlockCleanup() {
        if (armed_) {
            try {
                (void)cadlink::DeleteBlock(doc_, name_);
            } catch (const cadlink::AutomationError&) {
            }
        }
    }
    BlockCleanup(const BlockCleanup&) = delete;
    BlockCleanup& operator=(const BlockCleanup&) = delete;
    void Disarm() { armed_ = false; }

private:
    ObjectRef doc_;
    std::string name_;
    bool armed_ = true;
};

}  // namespace

TableSettings AreaTableSettings(const options::PaletteOptions& options) {
    TableSettings s;
    s.method = options.Kyuuseki() == 0 ? AreaMethod::Heron : AreaMethod::BaseHeight;
    s.widths = s.method == AreaMethod::Heron ? options.Haba1 : options.Haba2;
    s.textHeight = options.M_Taka2;
    s.rowHeight = options.G_Taka;
    s.scale = options.Edit8Text();
    s.rounding = options.Rounding();
    return s;
}

std::string AreaTableInsertCommand(std::string_view blockName) {
    return "(command \"_-INSERT\" \"" + std::string(blockName) + "\" \"S\" 1 \"R\" 0)(princ)\r";
}

void BuildAreaTable(CadSession& session, const ObjectRef& doc, const TriangleDataList& list) {
    // Everything that can be wrong with the settings is found before the drawing is touched.
    const AreaTableResult layout = LayoutAreaTable(AreaTableSettings(session.options), list);
    if (!layout.table) {
        throw options::NumberFieldError(layout.field.empty() ? "triangle data" : layout.field,
                                        layout.text);
    }
    const AreaTable& table = *layout.table;
    const std::string& textLayer = session.options.M_Layer;

    const cadlink::NumberedBlock block = cadlink::NewNumberedBlock(doc, kAreaTableBlockPrefix);
    BlockCleanup cleanup(doc, block.name);
    (void)cadlink::EnsureLayer(doc, textLayer, false);

    for (const TableItem& item : table.items) {
        if (const auto* line = std::get_if<TableLine>(&item)) {
            const ObjectRef added =
                Call(block.block, "AddLine",
                     {cadlink::PointToVariant(line->start), cadlink::PointToVariant(line->end)})
                    .AsObject();
            Put(added, "Layer", Variant(textLayer));
        }
    }
    for (const TableItem& item : table.items) {
        if (const auto* text = std::get_if<TableText>(&item)) {
            const Variant point = cadlink::PointToVariant(text->point);
            const ObjectRef added = Call(block.block, "AddText",
                                         {Variant(text->text), point, Variant(table.textHeight)})
                                        .AsObject();
            Put(added, "Layer", Variant(textLayer));
            Put(added, "Rotation", Variant(0.0));
            Put(added, "Alignment", Variant(std::int32_t{text->alignment}));
            Put(added, "TextAlignmentPoint", point);
        }
    }

    const std::int64_t before = cadlink::LastEntityObjectID(doc);
    Call(doc, "SendCommand", {Variant(AreaTableInsertCommand(block.name))});
    WaitForCadIdle(session, kInsertPollMs);
    if (cadlink::LastEntityObjectID(doc) != before) {
        (void)cadlink::ExplodeLastInsert(doc, block.name);
    }
    cleanup.Disarm();
    (void)cadlink::DeleteBlock(doc, block.name);
}

void Button3Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;
    CollectedTriangles collected = CollectTriangleData(*doc, session.options.AllData);
    if (collected.selected == 0) return;
    if (collected.lines.empty()) {
        ShowMessageAndReturnToCad(session, kNoTriangleDataMessage, kNoTriangleDataCaption);
        return;
    }
    SortTriangleData(collected.lines);
    BuildAreaTable(session, *doc, collected.lines);
}

}  // namespace tarsel::commands
