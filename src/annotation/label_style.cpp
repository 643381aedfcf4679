#include "annotation/label_style.h"

namespace tarsel::annotation {

void LabelTarget::Record(const cadlink::ObjectRef& entity) const {
    if (recordCreated) recordCreated(cadlink::Get(entity, "ObjectID").AsInt64());
}

}  // namespace tarsel::annotation
