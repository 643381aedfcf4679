#include "annotation/triangle_tag.h"

#include <filesystem>
#include <system_error>

#include "cadlink/drawing_services.h"
#include "platform/codepage.h"
#include "platform/file_write.h"
#include "text/paths.h"
#include "text/rounding.h"

namespace tarsel::annotation {

using cadlink::Array;
using cadlink::ArrayKind;
using cadlink::Variant;

TriangleTag TagOf(const geometry::TAcadTriangle& t) {
    return {geometry::PointDistance(t.p1, t.p2), geometry::PointDistance(t.p2, t.p3),
            geometry::PointDistance(t.p3, t.p1)};
}

TagXdata TriangleTagXdata(const TriangleTag& tag) {
    return {Variant::Int16Array({1001, 1010}),
            Variant::VariantArray(
                {Variant(kTagAppName), Variant::DoubleArray({tag.d1, tag.d2, tag.d3})})};
}

std::optional<TriangleTag> ParseTriangleTag(const Variant& types, const Variant& values) {
    if (!types.IsArray() || !values.IsArray()) return std::nullopt;
    const Array& t = types.AsArray();
    const Array& v = values.AsArray();
    if (t.kind != ArrayKind::Int16 || v.kind != ArrayKind::Variant || v.items.size() < 2) {
        return std::nullopt;
    }
    const Variant& point = v.items[1];
    if (!point.IsArray() || point.AsArray().items.size() != 3) return std::nullopt;
    TriangleTag tag;
    try {
        const auto& items = point.AsArray().items;
        tag = {items[0].AsDouble(), items[1].AsDouble(), items[2].AsDouble()};
    } catch (const cadlink::AutomationError&) {
        return std::nullopt;
    }
    return tag;
}

bool UsesFragmentRoad(std::string_view targetProgId) {
    return targetProgId.find("PCAD") != std::string_view::npos;
}

std::vector<std::string> BuildTagFragment(std::string_view layer,
                                          const geometry::TAcadPoint& labelPoint, int number,
                                          double height, double rotation, const TriangleTag& tag) {
    const std::string x = text::FormatGeneral15(labelPoint.x);
    const std::string y = text::FormatGeneral15(labelPoint.y);
    // DXF readers take group 50 as degrees; the direct road's Rotation is radians.
    const std::string degrees = text::FormatGeneral15(rotation / geometry::kDegToRad);
    return {
        "  0",  "SECTION",
        "  2",  "HEADER",
        "  9",  "$ACADVER",
        "  1",  "AC1009",
        "  0",  "ENDSEC",
        "  0",  "SECTION",
        "  2",  "TABLES",
        "  0",  "TABLE",
        "  2",  "APPID",
        "  0",  "APPID",
        "  2",  kTagAppName,
        " 70",  "0",
        "  0",  "ENDTAB",
        "  0",  "ENDSEC",
        "  0",  "SECTION",
        "  2",  "ENTITIES",
        "  0",  "TEXT",
        "  8",  std::string(layer),
        "  6",  "BYLAYER",
        " 62",  "256",
        " 48",  "1.0",
        " 10",  x,
        " 20",  y,
        " 11",  x,
        " 21",  y,
        "  1",  std::to_string(number),
        " 40",  text::FormatGeneral15(height),
        " 41",  "1.0",
        " 50",  degrees,
        " 72",  "1",
        " 73",  "2",
        "1001", kTagAppName,
        "1010", text::FormatGeneral15(tag.d1),
        "1020", text::FormatGeneral15(tag.d2),
        "1030", text::FormatGeneral15(tag.d3),
        "  0",  "ENDSEC",
        "  0",  "EOF",
    };
}

std::string EncodeFragment(const std::vector<std::string>& lines, unsigned codePage) {
    std::string bytes;
    for (const std::string& line : lines) {
        // A line break inside a value (a hostile layer name) would shift every group after it.
        if (line.find_first_of("\r\n") != std::string::npos) {
            throw FragmentFileError("fragment line holds a line break: \"" + line + "\"");
        }
        const auto encoded = platform::EncodeCodePage(line, codePage);
        if (!encoded) {
            throw FragmentFileError("\"" + line + "\" cannot be written in code page " +
                                    std::to_string(codePage));
        }
        bytes += *encoded;
        bytes += "\r\n";
    }
    return bytes;
}

namespace {

// The whole file or none of it: a CAD reading a half-written fragment would insert a text
// without its tag, which no later step could notice.
void WriteFragmentFile(const std::filesystem::path& path, const std::string& bytes) {
    try {
        platform::WriteFileWhole(path, bytes);
    } catch (const platform::FileWriteError& e) {
        throw FragmentFileError(e.what());
    }
}

}  // namespace

std::int64_t InsertTagFragment(const LabelTarget& target, const std::vector<std::string>& lines) {
    const cadlink::ObjectRef& doc = target.doc;
    const std::string name = cadlink::NextBlockName(doc, kFragmentBlockPrefix);
    std::error_code ec;
    std::filesystem::path path =
        std::filesystem::absolute(target.fragmentFolder / (name + ".dxf"), ec);
    if (ec) throw FragmentFileError("cannot resolve the fragment folder: " + ec.message());
    const std::string pathText = text::Utf8FromPath(path);
    // The CAD reads the path between double quotes; one inside it cannot be passed.
    if (pathText.find('"') != std::string::npos) {
        throw FragmentFileError("fragment path holds a double quote: " + pathText);
    }
    WriteFragmentFile(path, EncodeFragment(lines, platform::SystemAnsiCodePage()));

    cadlink::Call(doc, "SendCommand",
                  {Variant("_-INSERT\r\"*" + pathText + "\"\r0.0,0.0 1.0 0.0\r")});
    cadlink::WaitForCadIdle(target.app, target.targetProgId, target.desktop, 100);
    cadlink::DeleteBlock(doc, name);
    return cadlink::LastEntityObjectID(doc);
}

}  // namespace tarsel::annotation
