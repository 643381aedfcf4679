#include "minicad/entity_names.h"

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
        default: return "";
    }
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
        default: return "";
    }
}

}  // namespace tarsel::minicad
