// The shared minicad fixture: a palette wired to a running minicad with a scripted user and a
// recording desktop: what every command test needs to run a button end to end and look at the
// drawing afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/connection.h"
#include "commands/cad_session.h"
#include "minicad/application.h"
#include "minicad/user_input.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"
#include "support/scratch_folder.h"

namespace tarsel::testing {

class MinicadFixture : public ::testing::Test {
protected:
    MinicadFixture() {
        cad->SetUserInput(input);
        controller = std::make_unique<palette::PaletteController>(registry, desktop, folder);
        registry.Register(session().TargetProgID, cad->Object());
    }

    commands::CadSession& session() { return controller->session(); }
    options::PaletteOptions& options() { return controller->options(); }
    minicad::Document& doc() { return cad->document(); }
    cadlink::ObjectRef docObject() { return cadlink::GetObject(cad->Object(), "ActiveDocument"); }

    // Switches the palette to another target ProgID, with minicad running under it.
    void Target(const std::string& progId) {
        registry.Unregister(session().TargetProgID);
        session().TargetProgID = progId;
        registry.Register(progId, cad->Object());
    }

    std::int64_t AddLine(double x1, double y1, double x2, double y2, std::string layer = "0") {
        minicad::Entity e;
        e.layer = std::move(layer);
        e.data = minicad::LineData{{x1, y1, 0}, {x2, y2, 0}};
        return doc().AddEntity(std::move(e));
    }
    // A closed outline of lines.
    void AddOutline(const std::vector<std::pair<double, double>>& corners) {
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const auto& [x1, y1] = corners[i];
            const auto& [x2, y2] = corners[(i + 1) % corners.size()];
            AddLine(x1, y1, x2, y2);
        }
    }
    std::int64_t AddPolyline(const std::vector<std::pair<double, double>>& vertices, bool closed) {
        minicad::PolylineData p;
        for (const auto& [x, y] : vertices) p.vertices.push_back({x, y, 0});
        p.closed = closed;
        minicad::Entity e;
        e.data = p;
        return doc().AddEntity(std::move(e));
    }
    std::int64_t AddCircle(double x, double y, double r) {
        minicad::Entity e;
        e.data = minicad::CircleData{{x, y, 0}, r};
        return doc().AddEntity(std::move(e));
    }
    std::int64_t AddText(std::string text, double x, double y,
                         minicad::TextAlignment alignment = minicad::TextAlignment::Left,
                         double ax = 0, double ay = 0) {
        minicad::TextData t;
        t.text = std::move(text);
        t.insertion = {x, y, 0};
        t.alignment = alignment;
        t.alignmentPoint = {ax, ay, 0};
        t.height = 300;
        minicad::Entity e;
        e.data = t;
        return doc().AddEntity(std::move(e));
    }

    template <typename T>
    std::vector<const minicad::Entity*> All() {
        std::vector<const minicad::Entity*> found;
        for (const minicad::Entity& e : doc().Entities()) {
            if (minicad::HoldsData<T>(e.data)) found.push_back(&e);
        }
        return found;
    }
    std::vector<const minicad::Entity*> Texts() { return All<minicad::TextData>(); }
    static const minicad::TextData& TextOf(const minicad::Entity* e) {
        return minicad::DataOf<minicad::TextData>(e->data);
    }
    std::vector<std::string> TextStrings() {
        std::vector<std::string> out;
        for (const auto* e : Texts()) out.push_back(TextOf(e).text);
        return out;
    }

    void Answer(minicad::Answer answer) { input->Push(std::move(answer)); }
    void Press(std::string_view button) { ASSERT_TRUE(controller->Press(button)) << button; }

    std::shared_ptr<minicad::Application> cad = minicad::Application::Create();
    std::shared_ptr<minicad::ScriptedInput> input = std::make_shared<minicad::ScriptedInput>();
    cadlink::InProcessCadRegistry registry;
    platform::RecordingDesktop desktop;
    ScratchFolder scratch{"tarsel-ctrl"};
    std::filesystem::path folder = scratch.path();  // the palette's executable folder
    std::unique_ptr<palette::PaletteController> controller;
};

}  // namespace tarsel::testing
