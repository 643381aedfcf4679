#include "commands/number_move_command.h"

#include <charconv>
#include <optional>
#include <string>

#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::Get;
using cadlink::ObjectRef;
using cadlink::Variant;
using geometry::TAcadPoint;

namespace {

constexpr std::uint32_t kIdlePollMs = 200;
// Two centres closer than this are one place: nothing moved, nothing to join.
constexpr double kSamePlace = 0.001;

// printf's "%.<digits>f" without the user's locale.
std::string Fixed(double value, int digits) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

struct NumberAndCircle {
    ObjectRef circle;
    TAcadPoint center;
    double radius = 0;
};

// The user's selection of one text and one circle, in either order. Anything else, a
// cancelled selection or a failing call gives nullopt; the selection set goes in every case.
std::optional<NumberAndCircle> SelectNumberAndCircle(const ObjectRef& doc) {
    std::optional<NumberAndCircle> result;
    try {
        cadlink::TempSelectionSetScope ss(doc);
        Call(ss.get(), "Clear", {});
        Call(ss.get(), "SelectOnScreen",
             {cadlink::EntityTypeFilterType(), cadlink::EntityTypeFilterData("TEXT,CIRCLE")});
        if (Get(ss.get(), "Count").AsInt() == 2) {
            const ObjectRef first = Call(ss.get(), "Item", {Variant(std::int32_t{0})}).AsObject();
            const ObjectRef second = Call(ss.get(), "Item", {Variant(std::int32_t{1})}).AsObject();
            const std::string t1 = Get(first, "EntityName").AsText();
            const std::string t2 = Get(second, "EntityName").AsText();
            const bool pair = (t1 == "AcDbText" && t2 == "AcDbCircle") ||
                              (t1 == "AcDbCircle" && t2 == "AcDbText");
            if (pair) {
                const ObjectRef circle = t1 == "AcDbCircle" ? first : second;
                result = NumberAndCircle{circle, cadlink::GetPoint(circle, "Center"),
                                         Get(circle, "Radius").AsDouble()};
            }
        }
        ss.Delete();
    } catch (const cadlink::AutomationError&) {
        result.reset();
    }
    return result;
}

// DIMASZ and DIMLDRBLK as they were before the leader, written back however it ends: a
// failed leader must not leave the drawing's own arrows resized.
class LeaderSettingsScope {
public:
    explicit LeaderSettingsScope(ObjectRef doc) : doc_(std::move(doc)) {
        arrowSize_ = Call(doc_, "GetVariable", {Variant("DIMASZ")}).AsDouble();
        std::string block = Call(doc_, "GetVariable", {Variant("DIMLDRBLK")}).AsText();
        std::erase(block, '"');
        arrowBlock_ = block.empty() ? "." : block;
        scale_ = Call(doc_, "GetVariable", {Variant("DIMSCALE")}).AsDouble();
    }
    ~LeaderSettingsScope() {
        if (restored_) return;
        try {
            Restore();
        } catch (...) {
            // Only reached while a failure is already ending the command.
        }
    }
    LeaderSettingsScope(const LeaderSettingsScope&) = delete;
    LeaderSettingsScope& operator=(const LeaderSettingsScope&) = delete;

    [[nodiscard]] double scale() const { return scale_; }
    void Restore() {
        restored_ = true;
        Call(doc_, "SetVariable", {Variant("DIMASZ"), Variant(arrowSize_)});
        Call(doc_, "SetVariable", {Variant("DIMLDRBLK"), Variant(arrowBlock_)});
    }

private:
    ObjectRef doc_;
    double arrowSize_ = 0;
    std::string arrowBlock_;
    double scale_ = 1;
    bool restored_ = false;
};

}  // namespace

std::string MoveCommandText(const TAcadPoint& base) {
    return "MOVE\rPRE\r\r" + Fixed(base.x, 3) + "," + Fixed(base.y, 3) + "," + Fixed(base.z, 3) +
           "\r";
}

std::string LeaderCommandText(const TAcadPoint& from, const TAcadPoint& to) {
    return "_LEADER\r" + Fixed(from.x, 4) + "," + Fixed(from.y, 4) + " " + Fixed(to.x, 4) + "," +
           Fixed(to.y, 4) + "\r\r\rN\r";
}

void Button5Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    const std::optional<NumberAndCircle> picked = SelectNumberAndCircle(*doc);
    if (!picked) return;
    const TAcadPoint c = picked->center;

    Call(*doc, "SendCommand", {Variant(MoveCommandText(c))});
    WaitForCadIdle(session, kIdlePollMs);
    // A move the user cancelled leaves the circle where it was; a leader then would point from
    // the circle into itself.
    if (geometry::PointDistance(cadlink::GetPoint(picked->circle, "Center"), c) < kSamePlace) {
        return;
    }
    const TAcadPoint n =
        cadlink::VariantToPoint(Call(*doc, "GetVariable", {Variant("LASTPOINT")}), "LASTPOINT");

    TAcadPoint rim = geometry::PolarPoint(n, geometry::PointAngle(n, c), picked->radius);
    rim.z = n.z;

    if (session.options.Leader()) {
        LeaderSettingsScope settings(*doc);
        const double arrow = options::ParseNumberField("Yajirusi", session.options.Yajirusi);
        // DIMSCALE 0 (scale taken from a viewport) means 1 in model space.
        const double scale = settings.scale() > 0 ? settings.scale() : 1.0;
        Call(*doc, "SetVariable", {Variant("DIMASZ"), Variant(arrow / scale)});
        Call(*doc, "SetVariable", {Variant("DIMLDRBLK"), Variant(".")});
        Call(*doc, "SendCommand", {Variant(LeaderCommandText(c, rim))});
        WaitForCadIdle(session, kIdlePollMs);
        settings.Restore();
    } else {
        const ObjectRef modelSpace = cadlink::GetObject(*doc, "ModelSpace");
        const ObjectRef line =
            Call(modelSpace, "AddLine", {cadlink::PointToVariant(c), cadlink::PointToVariant(rim)})
                .AsObject();
        Call(line, "Update", {});
    }
}

}  // namespace tarsel::commands
