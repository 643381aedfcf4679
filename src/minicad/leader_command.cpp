// LEADER: a start point (where the arrowhead goes), a next point, more points until Enter or
// "Annotation", then the annotation. minicad has no multiline text, so the only annotation it
// can finish is "None": a leader with no text. Typed text or the other annotation options end
// the command without a leader rather than draw half of what was asked for.
//
// The arrowhead is sized as it is drawn, DIMASZ x DIMSCALE, and takes DIMLDRBLK; the leader
// goes on the current layer.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/command_line.h"
#include "minicad/document.h"

namespace tarsel::minicad {

namespace {

constexpr std::array<std::string_view, 2> kNextPointOptions{"Annotation", "Undo"};
constexpr std::array<std::string_view, 5> kAnnotationOptions{"Tolerance", "Copy", "Block", "None",
                                                             "Mtext"};

}  // namespace

void RegisterLeaderCommand(CommandLine& line) {
    line.Register("LEADER", [](CommandContext& context) {
        std::vector<Point3> vertices;
        vertices.push_back(context.GetPoint("Specify leader start point: "));
        vertices.push_back(context.GetPoint("Specify next point: "));
        while (true) {
            const CommandContext::PointOrKeyword next = context.GetPointOrKeyword(
                "Specify next point or [Annotation/Undo] <Annotation>: ", kNextPointOptions);
            if (next.point) {
                vertices.push_back(*next.point);
            } else if (next.keyword == "Undo") {
                if (vertices.size() > 2) {
                    vertices.pop_back();
                } else {
                    context.Log("A leader needs two points.");
                }
            } else {
                break;  // Enter or Annotation
            }
        }

        const std::string text =
            context.GetText("Enter first line of annotation text or <options>: ");
        if (!text.empty()) {
            context.Log("Annotation text is not supported; no leader drawn.");
            throw CommandCancelled();
        }
        const std::string option = context.GetKeyword(
            "Enter an annotation option [Tolerance/Copy/Block/None/Mtext] <Mtext>: ",
            kAnnotationOptions);
        if (option != "None") {
            context.Log("Only the annotation option None is supported; no leader drawn.");
            throw CommandCancelled();
        }

        Document& document = context.document();
        const Variables& v = document.drawing().variables;
        LeaderData leader;
        leader.vertices = std::move(vertices);
        leader.arrowhead = true;
        leader.arrowSize = v.dimasz * v.dimscale;
        leader.arrowBlock = v.dimldrblk;
        Entity entity;
        entity.layer.clear();  // the current layer
        entity.data = std::move(leader);
        document.AddEntity(std::move(entity));
    });
}

}  // namespace tarsel::minicad
