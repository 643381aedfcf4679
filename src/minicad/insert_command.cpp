// -INSERT: places a block, as a CAD's command line does. The name is a block of the drawing
// or a DXF file (whose block definition is made first, named after the file, and left in
// the drawing); a leading "*" inserts the block's entities one by one instead of a
// reference. Then the insertion point, with Scale/X/Y/Z/Rotate given beforehand if wanted,
// then what was not given: scale (or X and Y scale) and rotation.
//
// Typed angles are decimal degrees counter-clockwise from +X; ANGBASE and ANGDIR are not
// applied to them, so "0" always means no rotation.
#include <array>
#include <cmath>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "geometry/primitives.h"
#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/dxf.h"
#include "minicad/placement.h"
#include "text/paths.h"

namespace tarsel::minicad {

namespace {

using geometry::kDegToRad;
// Wrong answers are asked again, but not forever: a script that keeps answering wrongly
// ends the command as Escape would.
constexpr int kMaxRetries = 8;
constexpr std::array<std::string_view, 5> kPointOptions{"Scale", "X", "Y", "Z", "Rotate"};

bool LooksLikePath(std::string_view name) {
    if (name.find_first_of("/\\:") != std::string_view::npos) return true;
    return name.size() > 4 && text::UpperAscii(name.substr(name.size() - 4)) == ".DXF";
}

double ScaleValue(CommandContext& context, std::string_view prompt) {
    for (int tries = 0; tries < kMaxRetries; ++tries) {
        const std::optional<double> v = context.GetNumber(prompt);
        if (!v) return 1;
        if (*v != 0) return *v;
        context.Log("Value must be nonzero.");
    }
    throw CommandCancelled();
}

double AngleValue(CommandContext& context, std::string_view prompt) {
    const std::optional<double> v = context.GetNumber(prompt);
    return v ? *v * kDegToRad : 0;
}

// Reads a DXF file into a block definition named after it. nullopt (and a line on the
// log) when the file cannot be read or its name cannot be a block name; the drawing is
// then unchanged.
std::optional<std::string> DefineBlockFromFile(CommandContext& context, std::string_view text) {
    Document& document = context.document();
    std::filesystem::path path = tarsel::text::PathFromUtf8(text);
    if (!path.has_extension()) path += ".dxf";
    Drawing file;
    try {
        file = ReadDxfFile(path);
    } catch (const std::exception& e) {
        context.Log("Cannot insert \"" + std::string(text) + "\": " + e.what());
        return std::nullopt;
    }
    const std::string name = tarsel::text::Utf8FromPath(path.stem());
    if (!IsValidSymbolName(name)) {
        context.Log("Invalid block name \"" + name + "\".");
        return std::nullopt;
    }
    if (document.FindBlock(name)) {
        if (document.IsBlockReferenced(name)) {
            context.Log("Block \"" + name + "\" is in use and is not redefined.");
            return std::nullopt;
        }
        (void)document.DeleteBlock(name);
        context.Log("Block \"" + name + "\" redefined.");
    }
    for (const std::string& app : file.appIds) document.RegisterApp(app);
    for (const Layer& layer : file.layers) (void)document.AddLayer(layer.name);
    for (const Block& nested : file.blocks) {
        if (text::EqualsIgnoringAsciiCase(nested.name, name) || document.FindBlock(nested.name))
            continue;
        (void)document.AddBlock(nested.name, nested.base);
        for (const Entity& e : nested.entities) (void)document.AddBlockEntity(nested.name, e);
    }
    (void)document.AddBlock(name, Point3{});
    for (const Entity& e : file.entities) (void)document.AddBlockEntity(name, e);
    return document.FindBlock(name)->name;
}

}  // namespace

void RegisterInsertCommand(CommandLine& line) {
    line.Register("-INSERT", [](CommandContext& context) {
        Document& document = context.document();
        std::string name = context.GetText("Enter block name or [?]: ");
        const bool explode = !name.empty() && name.front() == '*';
        if (explode) name.erase(0, 1);
        if (name.empty()) {
            context.Log("No block name given.");
            return;
        }
        std::string block;
        if (const Block* existing = document.FindBlock(name); existing && !LooksLikePath(name)) {
            block = existing->name;
        } else if (std::optional<std::string> loaded = DefineBlockFromFile(context, name)) {
            block = *loaded;
        } else {
            return;
        }

        std::optional<double> scaleX, scaleY, scaleZ, rotation;
        std::optional<Point3> at;
        for (int tries = 0; !at; ++tries) {
            if (tries == kMaxRetries) throw CommandCancelled();
            const CommandContext::PointOrKeyword answer = context.GetPointOrKeyword(
                "Specify insertion point or [Scale/X/Y/Z/Rotate]: ", kPointOptions);
            if (answer.point) {
                at = answer.point;
            } else if (answer.keyword == "Scale") {
                scaleX = scaleY = scaleZ =
                    ScaleValue(context, "Specify scale factor for XYZ axes <1>: ");
            } else if (answer.keyword == "X") {
                scaleX = ScaleValue(context, "Specify X scale factor <1>: ");
            } else if (answer.keyword == "Y") {
                scaleY = ScaleValue(context, "Specify Y scale factor <1>: ");
            } else if (answer.keyword == "Z") {
                scaleZ = ScaleValue(context, "Specify Z scale factor <1>: ");
            } else if (answer.keyword == "Rotate") {
                rotation = AngleValue(context, "Specify rotation angle <0>: ");
            } else {
                context.Log("Point or option keyword required.");
            }
        }
        const bool scaleGiven = scaleX || scaleY || scaleZ;
        if (!scaleGiven && explode) {
            scaleX = scaleY = scaleZ = ScaleValue(context, "Specify scale factor <1>: ");
        } else if (!scaleGiven) {
            scaleX = scaleZ = ScaleValue(
                context, "Enter X scale factor, specify opposite corner, or [Corner/XYZ] <1>: ");
            const std::optional<double> y =
                context.GetNumber("Enter Y scale factor <use X scale factor>: ");
            scaleY = y && *y != 0 ? *y : *scaleX;
        }
        if (!rotation) rotation = AngleValue(context, "Specify rotation angle <0>: ");

        InsertData insert;
        insert.block = block;
        insert.insertion = *at;
        insert.scaleX = scaleX.value_or(1);
        insert.scaleY = scaleY.value_or(1);
        insert.scaleZ = scaleZ.value_or(1);
        insert.rotation = *rotation;
        if (!explode) {
            Entity e;
            e.data = insert;
            (void)document.AddEntity(std::move(e));
            context.Log("Block \"" + block + "\" inserted.");
            return;
        }
        std::optional<std::vector<Entity>> parts = ExplodeInsert(insert, document.drawing().blocks);
        if (!parts) {
            context.Log("Block \"" + block + "\" cannot be exploded at that scale.");
            return;
        }
        for (Entity& e : *parts) (void)document.AddEntity(std::move(e));
        context.Log(std::to_string(parts->size()) + (parts->size() == 1 ? " entity" : " entities") +
                    " inserted from \"" + block + "\".");
    });
}

}  // namespace tarsel::minicad
