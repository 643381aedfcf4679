// The drawing the DXF benchmarks open and save: the mix of a survey drawing (lines, polylines
// with a bulge, circles, arcs, texts) on a few layers, laid out on a grid.
#pragma once

#include <cstddef>
#include <string>

#include "minicad/drawing.h"

namespace tarsel::bench {

inline minicad::Drawing SurveyDrawing(std::size_t entities) {
    using namespace minicad;
    Drawing d;
    for (const char* layer : {"PARCEL", "ROAD", "TEXT", "POINTS"}) d.layers.push_back(Layer{layer});
    d.entities.reserve(entities);
    for (std::size_t i = 0; i < entities; ++i) {
        const double x = double(i % 400) * 25.0 + 0.125 * double(i % 7);
        const double y = double(i / 400) * 25.0 + 0.375;
        Entity e;
        e.id = d.nextId++;
        switch (i % 5) {
            case 0:
                e.layer = "PARCEL";
                e.data = LineData{{x, y, 0}, {x + 24.5, y + 3.25, 0}};
                break;
            case 1: {
                e.layer = "ROAD";
                PolylineData pl;
                pl.closed = i % 2 == 0;
                pl.vertices = {{x, y, 0}, {x + 10, y, 0.25}, {x + 10, y + 10, 0}, {x, y + 12, 0}};
                e.data = pl;
                break;
            }
            case 2:
                e.layer = "POINTS";
                e.data = CircleData{{x, y, 0}, 0.5};
                break;
            case 3:
                e.layer = "ROAD";
                e.data = ArcData{{x, y, 0}, 7.5, 0.25, 2.0};
                break;
            default: {
                e.layer = "TEXT";
                TextData t;
                t.text = "12-" + std::to_string(i);
                t.insertion = {x, y, 0};
                t.height = 2.5;
                e.data = t;
                break;
            }
        }
        d.entities.push_back(std::move(e));
    }
    return d;
}

}  // namespace tarsel::bench
