// Variant <-> VARIANT, both ways, for everything the object model exchanges: scalars,
// texts (UTF-8 <-> BSTR), objects (ObjectRef <-> IDispatch) and one-dimensional SAFEARRAYs
// of doubles, 16-bit integers and variants with their lower bounds kept.
#pragma once

#include <memory>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/dispatch_session.h"
#include "cadlink/com/windows_headers.h"
#include "cadlink/variant.h"

namespace tarsel::cadlink::com {

// Writes value into *out, which must hold nothing that needs clearing. An object that is a
// COM object already passes its IDispatch; any other object is published as a new IDispatch
// (DispatchServer). Raises AutomationError (type mismatch) for a text that is not UTF-8.
void ToVARIANT(const Variant& value, VARIANT* out);
[[nodiscard]] UniqueVariant ToVARIANT(const Variant& value);

// Reads value, following VT_BYREF. An IDispatch that this process published is handed back
// as the object itself; any other becomes a ComObject of session. Numeric types the model
// does not name are widened (VT_R4 to double, VT_UI4 to 64-bit...). Raises AutomationError
// (type mismatch) for what has no Variant form, e.g. a two-dimensional array.
[[nodiscard]] Variant FromVARIANT(const VARIANT& value,
                                  const std::shared_ptr<DispatchSession>& session);

}  // namespace tarsel::cadlink::com
