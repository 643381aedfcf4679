// What each extended-data group code holds, in one place for the DXF reader, the writer and
// the automation objects (GetXdata/SetXdata), so that a code one of them accepts the others
// read and write the same way.
#pragma once

#include <optional>

namespace tarsel::minicad {

enum class XdataKind {
    Text,         // 1000: a string of up to 255 bytes
    Application,  // 1001: the registered application the following items belong to
    Control,      // 1002: "{" or "}"
    LayerName,    // 1003: a layer name (written like every other table name)
    Binary,       // 1004: binary chunk, kept as its hex text
    Handle,       // 1005: a database handle, as text
    Point,        // 1010-1013: x; the file adds y at code + 10 and z at code + 20
    Real,         // 1040-1042: real, distance, scale factor
    Int16,        // 1070
    Int32,        // 1071
};

// nullopt for codes that are not xdata codes (including the y and z codes 1020-1033 that
// only follow a point's x).
[[nodiscard]] constexpr std::optional<XdataKind> XdataKindOfCode(int code) {
    switch (code) {
        case 1000: return XdataKind::Text;
        case 1001: return XdataKind::Application;
        case 1002: return XdataKind::Control;
        case 1003: return XdataKind::LayerName;
        case 1004: return XdataKind::Binary;
        case 1005: return XdataKind::Handle;
        case 1010:
        case 1011:
        case 1012:
        case 1013: return XdataKind::Point;
        case 1040:
        case 1041:
        case 1042: return XdataKind::Real;
        case 1070: return XdataKind::Int16;
        case 1071: return XdataKind::Int32;
        default: return std::nullopt;
    }
}

// The kinds whose value is text, as the file stores it and GetXdata hands it back.
[[nodiscard]] constexpr bool IsTextKind(XdataKind kind) {
    return kind == XdataKind::Text || kind == XdataKind::Control || kind == XdataKind::LayerName ||
           kind == XdataKind::Binary || kind == XdataKind::Handle;
}

}  // namespace tarsel::minicad
