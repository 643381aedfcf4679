// minicad's drawing as plain data: what a DXF file holds and what the automation objects
// show. The document (document.h) owns one and keeps its invariants; DXF reading and
// writing, boundary tracing and the automation objects all work on these records.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "cadlink/variant.h"
#include "geometry/primitives.h"

namespace tarsel::minicad {

// Points are geometry's: drawing units, x, y, z (DXF 10/20/30 and their kin).
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

struct LineData {  // AcDbLine, DXF LINE
    Point3 start;  // 10/20/30
    Point3 end;    // 11/21/31
};

struct CircleData {     // AcDbCircle, DXF CIRCLE
    Point3 center;      // 10/20/30
    double radius = 0;  // 40
};

struct ArcData {            // AcDbArc, DXF ARC; counter-clockwise from start to end
    Point3 center;          // 10/20/30
    double radius = 0;      // 40
    double startAngle = 0;  // 50, radians here (degrees in DXF)
    double endAngle = 0;    // 51, radians here
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
};

struct InsertData {                             // AcDbBlockReference, DXF INSERT
    std::string block;                          // 2
    Point3 insertion;                           // 10/20/30
    double scaleX = 1, scaleY = 1, scaleZ = 1;  // 41/42/43
    double rotation = 0;                        // 50, radians here
};

struct LeaderData {                // AcDbLeader, DXF LEADER
    std::vector<Point3> vertices;  // 10/20/30 repeated; the arrowhead is at the first
    bool arrowhead = true;         // 71
    double arrowSize = 2.5;        // DIMASZ x DIMSCALE when drawn (drawing units)
    std::string arrowBlock;        // DIMLDRBLK ("" for the default closed filled arrow)
};

using EntityData =
    std::variant<LineData, CircleData, ArcData, PolylineData, TextData, InsertData, LeaderData>;

struct Entity {
    std::int64_t id = 0;      // ObjectID: 64-bit, never reused within a document
    std::string layer = "0";  // 8
    std::vector<XdataGroup> xdata;
    EntityData data;
};

struct Layer {
    std::string name;                     // 2
    std::int16_t color = 7;               // 62
    std::string linetype = "Continuous";  // 6
};

struct Block {
    std::string name;  // 2
    Point3 base;       // 10/20/30
    std::vector<Entity> entities;
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

struct Drawing {
    std::vector<Layer> layers{Layer{"0"}};  // "0" always exists
    std::vector<std::string> appIds{"ACAD"};
    std::vector<Block> blocks;     // user block definitions only
    std::vector<Entity> entities;  // model space in creation order
    Variables variables;
    std::int64_t nextId = 1;  // next ObjectID to hand out
    unsigned codePage = 0;    // $DWGCODEPAGE of the file read (0: none); names are saved in it
    bool binaryDxf = false;   // read from binary DXF, so saved as binary DXF
};

}  // namespace tarsel::minicad
