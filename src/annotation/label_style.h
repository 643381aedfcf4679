// What a label writer needs besides the geometry: the look of the labels (LabelStyle), where
// they go and who hears of each entity written (LabelTarget), and the number counter. A
// command builds all three once from its options and session; the writers read nothing else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "cadlink/automation.h"
#include "cadlink/drawing_services.h"
#include "platform/desktop.h"

namespace tarsel::annotation {

struct LabelStyle {
    double sideTextHeight = 300;           // side and height length texts
    double scaleDivisor = 1000;            // a written length is the drawing length / scaleDivisor
    double circleRadius = 500;             // the circle around a triangle number
    double numberHeight = 400;             // the triangle number text
    std::string textLayer = "H_TEXT";      // length texts, number circles and numbers
    std::string sideLayer = "H_HEN";       // triangle side lines
    std::string heightLayer = "H_TAKASA";  // height lines of the base-and-height method
    int lengthDigits = 2;                  // decimals of a written length
    int lengthMode = 1;                    // its text::TRoundingMode
    // 三斜: base, height and height line with the number in the larger half; otherwise the
    // three sides with the number at the incentre.
    bool baseAndHeight = false;
    cadlink::AngleSettings angles;
};

// The drawing the labels go into, what inserting a tagged DXF fragment needs (the running
// application to wait on, its ProgID, the desktop that sleeps, the folder the fragment file is
// written to), and who is told each created entity's ObjectID.
struct LabelTarget {
    cadlink::ObjectRef doc;
    cadlink::ObjectRef app;
    std::string targetProgId;
    platform::Desktop& desktop;
    std::filesystem::path fragmentFolder;
    // Empty when nobody records: the ObjectID is then not even read.
    std::function<void(std::int64_t)> recordCreated;

    // Tells recordCreated the entity's ObjectID, when someone records.
    void Record(const cadlink::ObjectRef& entity) const;
    void Record(std::int64_t objectId) const {
        if (recordCreated) recordCreated(objectId);
    }
};

// The triangle number field ("No."): the number the next labelled triangle gets, and the step
// once it has its labels.
class NumberCounter {
public:
    virtual ~NumberCounter() = default;
    [[nodiscard]] virtual int Current() const = 0;
    virtual void Advance() = 0;
};

}  // namespace tarsel::annotation
