#include "minicad/entity_names.h"

#include <array>
#include <utility>

namespace tarsel::minicad {

std::string_view DxfTypeName(const EntityData& data) {
    switch (data.index()) {
        case 0: return "LINE";
        case 1: return "CIRCLE";
        case 2: return "ARC";
        case 3: return "LWPOLYLINE";
        case 4: return "TEXT";
        case 5: return "INSERT";
        case 6: return "LEADER";
        default: break;
    }
    if (const auto* other = DataIf<OtherEntityData>(data)) return other->type;
    return "";
}

std::string_view AutomationName(const EntityData& data) {
    switch (data.index()) {
        case 0: return "AcDbLine";
        case 1: return "AcDbCircle";
        case 2: return "AcDbArc";
        case 3: return "AcDbPolyline";
        case 4: return "AcDbText";
        case 5: return "AcDbBlockReference";
        case 6: return "AcDbLeader";
        default: break;
    }
    // Kinds kept only as their groups still answer with the name a CAD gives them.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kNames{{
        {"MTEXT", "AcDbMText"},
        {"DIMENSION", "AcDbDimension"},
        {"HATCH", "AcDbHatch"},
        {"POINT", "AcDbPoint"},
        {"SPLINE", "AcDbSpline"},
        {"ELLIPSE", "AcDbEllipse"},
        {"SOLID", "AcDbSolid"},
        {"3DFACE", "AcDbFace"},
        {"ATTDEF", "AcDbAttributeDefinition"},
        {"IMAGE", "AcDbRasterImage"},
        {"MULTILEADER", "AcDbMLeader"},
        {"WIPEOUT", "AcDbWipeout"},
        {"3DSOLID", "AcDb3dSolid"},
        {"VIEWPORT", "AcDbViewport"},
        {"POLYLINE", "AcDb3dPolyline"},
        {"RAY", "AcDbRay"},
        {"XLINE", "AcDbXline"},
        {"TRACE", "AcDbTrace"},
        {"REGION", "AcDbRegion"},
        {"ACAD_TABLE", "AcDbTable"},
    }};
    if (const auto* other = DataIf<OtherEntityData>(data))
        for (const auto& [type, name] : kNames)
            if (type == other->type) return name;
    return "AcDbEntity";
}

}  // namespace tarsel::minicad
