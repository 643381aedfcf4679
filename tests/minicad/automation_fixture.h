// What the minicad tests share: a minicad with scripted answers, reached only through the
// by-name interface as the palette's commands reach a CAD, and the DXF fixture files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "cadlink/automation.h"
#include "minicad/application.h"
#include "minicad/user_input.h"

namespace tarsel::minicad::testing {

using cadlink::AutomationError;
using cadlink::ObjectRef;
using cadlink::Variant;
namespace hresult = cadlink::hresult;

inline Variant P(double x, double y, double z = 0) {
    return Variant::DoubleArray({x, y, z});
}

struct Cad {
    std::shared_ptr<Application> app = Application::Create();
    std::shared_ptr<ScriptedInput> input = std::make_shared<ScriptedInput>();
    ObjectRef application;
    ObjectRef doc;
    ObjectRef modelSpace;
    ObjectRef utility;

    Cad() {
        app->SetUserInput(input);
        application = app->Object();
        doc = cadlink::GetObject(application, "ActiveDocument");
        modelSpace = cadlink::GetObject(doc, "ModelSpace");
        utility = cadlink::GetObject(doc, "Utility");
    }

    ObjectRef Line(double x1, double y1, double x2, double y2) {
        return cadlink::Call(modelSpace, "AddLine", {P(x1, y1), P(x2, y2)}).AsObject();
    }
    ObjectRef Circle(double x, double y, double r) {
        return cadlink::Call(modelSpace, "AddCircle", {P(x, y), Variant(r)}).AsObject();
    }
    ObjectRef Text(const std::string& s, double x, double y, double height) {
        return cadlink::Call(modelSpace, "AddText", {Variant(s), P(x, y), Variant(height)})
            .AsObject();
    }
    // What the palette does through the command line, and what it finds afterwards.
    void Send(const std::string& text) { cadlink::Call(doc, "SendCommand", {Variant(text)}); }
    int Count() { return cadlink::Get(modelSpace, "Count").AsInt(); }
    ObjectRef Last() {
        return cadlink::Call(modelSpace, "Item", {Variant(Count() - 1)}).AsObject();
    }
    ObjectRef NewSet(const std::string& name = "SS1") {
        return cadlink::Call(cadlink::GetObject(doc, "SelectionSets"), "Add", {Variant(name)})
            .AsObject();
    }
};

// The HRESULT a call fails with, 0 when it succeeds.
template <typename F>
std::int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const AutomationError& e) {
        return e.code();
    }
    return 0;
}

// A DXF file of the shared fixture folder, as bytes.
inline std::string Fixture(const std::string& name) {
    std::ifstream in(std::filesystem::path(TARSEL_FIXTURES_DIR) / "dxf" / name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace tarsel::minicad::testing
