#include "commands/triangle_collection.h"

#include <array>

#include "annotation/triangle_tag.h"
#include "cadlink/drawing_services.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::Get;
using cadlink::Variant;

namespace {

constexpr std::int32_t kSelectAll = 5;  // acSelectionSetAll

}  // namespace

CollectedTriangles CollectTriangleData(const cadlink::ObjectRef& doc, bool selectAll) {
    cadlink::TempSelectionSetScope scope(doc);
    const cadlink::ObjectRef& ss = scope.get();
    Call(ss, "Clear", {});
    const Variant filterType = cadlink::EntityTypeFilterType();
    const Variant filterData = cadlink::EntityTypeFilterData("TEXT");
    if (selectAll) {
        Call(ss, "Select", {Variant(kSelectAll), Variant(), Variant(), filterType, filterData});
    } else {
        Call(ss, "SelectOnScreen", {filterType, filterData});
    }

    CollectedTriangles result;
    result.selected = Get(ss, "Count").AsInt();
    for (std::int32_t i = 0; i < result.selected; ++i) {
        const cadlink::ObjectRef text = Call(ss, "Item", {Variant(i)}).AsObject();
        const std::string number = Get(text, "TextString").AsText();
        std::array<Variant, 3> xdata = {Variant(annotation::kTagAppName), Variant(), Variant()};
        cadlink::CallWithOut(text, "GetXdata", xdata);
        // Untagged texts and tags of another shape are not triangles: skipped without a word.
        if (const auto tag = annotation::ParseTriangleTag(xdata[1], xdata[2])) {
            result.lines.push_back(areatable::MakeTriangleData(number, tag->d1, tag->d2, tag->d3));
        }
    }
    scope.Delete();
    return result;
}

}  // namespace tarsel::commands
