#include "drawing_description.h"

#include <sstream>

#include "cadlink/variant.h"

namespace tarsel::cadlink::com::testing {

std::vector<std::string> Describe(const minicad::Drawing& drawing) {
    std::vector<std::string> lines;
    for (const minicad::Entity& e : drawing.entities) {
        std::ostringstream out;
        out.precision(17);
        out << e.layer << " ";
        const auto point = [&](const minicad::Point3& p) {
            out << "(" << p.x << "," << p.y << "," << p.z << ")";
        };
        if (const auto* line = minicad::DataIf<minicad::LineData>(e.data)) {
            out << "LINE ";
            point(line->start);
            point(line->end);
        } else if (const auto* circle = minicad::DataIf<minicad::CircleData>(e.data)) {
            out << "CIRCLE ";
            point(circle->center);
            out << " r=" << circle->radius;
        } else if (const auto* text = minicad::DataIf<minicad::TextData>(e.data)) {
            out << "TEXT '" << text->text << "' ";
            point(text->insertion);
            point(text->alignmentPoint);
            out << " h=" << text->height << " rot=" << text->rotation
                << " align=" << static_cast<int>(text->alignment);
        } else if (const auto* polyline = minicad::DataIf<minicad::PolylineData>(e.data)) {
            out << "LWPOLYLINE closed=" << polyline->closed;
            for (const auto& v : polyline->vertices)
                out << " " << v.x << "," << v.y << "," << v.bulge;
        } else if (const auto* insert = minicad::DataIf<minicad::InsertData>(e.data)) {
            out << "INSERT " << insert->block << " ";
            point(insert->insertion);
            out << " scale=" << insert->scaleX << "," << insert->scaleY << "," << insert->scaleZ
                << " rot=" << insert->rotation;
        } else if (const auto* leader = minicad::DataIf<minicad::LeaderData>(e.data)) {
            out << "LEADER arrow=" << leader->arrowhead << " size=" << leader->arrowSize << " "
                << leader->arrowBlock;
            for (const auto& v : leader->vertices) point(v);
        } else if (const auto* arc = minicad::DataIf<minicad::ArcData>(e.data)) {
            out << "ARC ";
            point(arc->center);
            out << " r=" << arc->radius << " " << arc->startAngle << ".." << arc->endAngle;
        }
        for (const minicad::XdataGroup& group : e.xdata) {
            out << " xdata " << group.application;
            for (const minicad::XdataItem& item : group.items) {
                out << " " << item.code << "=" << cadlink::Describe(item.value);
            }
        }
        lines.push_back(out.str());
    }
    return lines;
}

}  // namespace tarsel::cadlink::com::testing
