#include "cadlink/com/variant_convert.h"

#include <limits>
#include <new>
#include <string>

#include "cadlink/automation.h"
#include "cadlink/com/com_object.h"
#include "cadlink/com/com_text.h"
#include "cadlink/com/dispatch_server.h"

namespace tarsel::cadlink::com {
namespace {

// The element type a SAFEARRAY of this kind holds.
VARTYPE ElementType(ArrayKind kind) {
    switch (kind) {
        case ArrayKind::Double: return VT_R8;
        case ArrayKind::Int16: return VT_I2;
        case ArrayKind::Variant: break;
    }
    return VT_VARIANT;
}

UniqueSafeArray ToSafeArray(const Array& array) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(array.items.size()), array.lowerBound};
    auto result = UniqueSafeArray::Adopt(SafeArrayCreate(ElementType(array.kind), 1, &bound));
    if (!result) throw std::bad_alloc();
    SafeArrayAccess data(result.get());
    for (std::size_t i = 0; i < array.items.size(); ++i) {
        switch (array.kind) {
            case ArrayKind::Double: data.as<double>()[i] = array.items[i].AsDouble(); break;
            case ArrayKind::Int16: {
                const std::int32_t v = array.items[i].AsInt();
                if (v < std::numeric_limits<SHORT>::min() || v > std::numeric_limits<SHORT>::max())
                    ThrowTypeMismatch("16-bit array item out of range: " + std::to_string(v));
                data.as<SHORT>()[i] = static_cast<SHORT>(v);
                break;
            }
            // The items start as VT_EMPTY, so each can be written in place.
            case ArrayKind::Variant: ToVARIANT(array.items[i], &data.as<VARIANT>()[i]); break;
        }
    }
    return result;
}

Variant FromSafeArray(SAFEARRAY* array, VARTYPE elementType,
                      const std::shared_ptr<DispatchSession>& session) {
    if (!array) return Variant::VariantArray({});
    if (SafeArrayGetDim(array) != 1) {
        ThrowTypeMismatch("a SAFEARRAY of " + std::to_string(SafeArrayGetDim(array)) +
                          " dimensions");
    }
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        ThrowTypeMismatch("a SAFEARRAY without bounds");
    }
    Array result;
    result.lowerBound = lower;
    const std::size_t count = upper >= lower ? static_cast<std::size_t>(upper - lower) + 1 : 0;
    result.items.reserve(count);
    SafeArrayAccess data(array);
    switch (elementType) {
        case VT_R8:
            result.kind = ArrayKind::Double;
            for (std::size_t i = 0; i < count; ++i) result.items.emplace_back(data.as<double>()[i]);
            break;
        case VT_I2:
            result.kind = ArrayKind::Int16;
            for (std::size_t i = 0; i < count; ++i) {
                result.items.emplace_back(static_cast<std::int16_t>(data.as<SHORT>()[i]));
            }
            break;
        case VT_VARIANT:
            for (std::size_t i = 0; i < count; ++i) {
                result.items.push_back(FromVARIANT(data.as<VARIANT>()[i], session));
            }
            break;
        default: {
            // Arrays of other element types become arrays of variants of the widened items.
            const UINT size = SafeArrayGetElemsize(array);
            const auto* bytes = data.as<const unsigned char>();
            for (std::size_t i = 0; i < count; ++i) {
                VARIANT item;
                VariantInit(&item);
                item.vt = static_cast<VARTYPE>(elementType | VT_BYREF);
                item.byref = const_cast<unsigned char*>(bytes + i * size);
                result.items.push_back(FromVARIANT(item, session));
            }
        }
    }
    return Variant(std::move(result));
}

// Widening through the system's own conversion (currency, dates, decimals).
Variant ViaDouble(const VARIANT& value) {
    UniqueVariant converted;
    if (FAILED(VariantChangeType(converted.put(), const_cast<VARIANT*>(&value), 0, VT_R8))) {
        ThrowTypeMismatch("a VARIANT of type " + std::to_string(value.vt));
    }
    return Variant(converted->dblVal);
}

ObjectRef FromDispatch(IDispatch* dispatch, const std::shared_ptr<DispatchSession>& session) {
    if (ObjectRef own = DispatchServer::Unwrap(dispatch)) return own;
    return ComObject::Create(ComPtr<IDispatch>::Share(dispatch), session);
}

}  // namespace

void ToVARIANT(const Variant& value, VARIANT* out) {
    VariantInit(out);
    using T = Variant::Type;
    switch (value.type()) {
        case T::Empty: return;
        case T::Bool:
            out->vt = VT_BOOL;
            out->boolVal = value.AsBool() ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        case T::Int16:
            out->vt = VT_I2;
            out->iVal = static_cast<SHORT>(value.AsInt());
            return;
        case T::Int32:
            out->vt = VT_I4;
            out->lVal = value.AsInt();
            return;
        case T::Int64:
            out->vt = VT_I8;
            out->llVal = value.AsInt64();
            return;
        case T::Double:
            out->vt = VT_R8;
            out->dblVal = value.AsDouble();
            return;
        case T::Text:
            out->bstrVal = Utf8ToBstr(value.AsText());
            out->vt = VT_BSTR;
            return;
        case T::Object: {
            // A null reference (Nothing) is the one object AsObject refuses.
            ObjectRef object;
            try {
                object = value.AsObject();
            } catch (const AutomationError&) {
            }
            ComPtr<IDispatch> dispatch;
            if (auto* comObject = dynamic_cast<ComObject*>(object.get())) {
                dispatch = ComPtr<IDispatch>::Share(comObject->dispatch());
            } else if (object) {
                dispatch = DispatchServer::Publish(object);
            }
            out->pdispVal = dispatch.release();
            out->vt = VT_DISPATCH;
            return;
        }
        case T::Array: {
            const Array& array = value.AsArray();
            out->parray = ToSafeArray(array).release();
            out->vt = static_cast<VARTYPE>(VT_ARRAY | ElementType(array.kind));
            return;
        }
    }
}

UniqueVariant ToVARIANT(const Variant& value) {
    UniqueVariant result;
    ToVARIANT(value, result.put());
    return result;
}

Variant FromVARIANT(const VARIANT& value, const std::shared_ptr<DispatchSession>& session) {
    const VARTYPE type = value.vt;
    const bool byRef = (type & VT_BYREF) != 0;
    if (type & VT_ARRAY) {
        SAFEARRAY* array = byRef ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        VARTYPE elementType = static_cast<VARTYPE>(type & VT_TYPEMASK);
        return FromSafeArray(array, elementType, session);
    }
    if (byRef && !value.byref) ThrowTypeMismatch("a VT_BYREF VARIANT without a target");
    switch (type & ~VT_BYREF) {
        case VT_EMPTY:
        case VT_NULL: return Variant();
        case VT_VARIANT:
            if (!byRef) ThrowTypeMismatch("a VT_VARIANT that is not by reference");
            return FromVARIANT(*value.pvarVal, session);
        case VT_BOOL: return Variant((byRef ? *value.pboolVal : value.boolVal) != VARIANT_FALSE);
        case VT_I1: return Variant(static_cast<std::int16_t>(byRef ? *value.pcVal : value.cVal));
        case VT_UI1: return Variant(static_cast<std::int16_t>(byRef ? *value.pbVal : value.bVal));
        case VT_I2: return Variant(static_cast<std::int16_t>(byRef ? *value.piVal : value.iVal));
        case VT_UI2: return Variant(static_cast<std::int32_t>(byRef ? *value.puiVal : value.uiVal));
        case VT_I4: return Variant(static_cast<std::int32_t>(byRef ? *value.plVal : value.lVal));
        case VT_INT:
            return Variant(static_cast<std::int32_t>(byRef ? *value.pintVal : value.intVal));
        case VT_UI4: return Variant(static_cast<std::int64_t>(byRef ? *value.pulVal : value.ulVal));
        case VT_UINT:
            return Variant(static_cast<std::int64_t>(byRef ? *value.puintVal : value.uintVal));
        case VT_I8: return Variant(static_cast<std::int64_t>(byRef ? *value.pllVal : value.llVal));
        case VT_UI8: {
            const ULONGLONG v = byRef ? *value.pullVal : value.ullVal;
            if (v > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max())) {
                return Variant(static_cast<double>(v));
            }
            return Variant(static_cast<std::int64_t>(v));
        }
        case VT_R4: return Variant(static_cast<double>(byRef ? *value.pfltVal : value.fltVal));
        case VT_R8: return Variant(byRef ? *value.pdblVal : value.dblVal);
        case VT_CY:
        case VT_DATE:
        case VT_DECIMAL: return ViaDouble(value);
        case VT_BSTR: return Variant(BstrToUtf8(byRef ? *value.pbstrVal : value.bstrVal));
        case VT_DISPATCH: {
            // Nothing arrives as empty: no reader can use a null object.
            IDispatch* dispatch = byRef ? *value.ppdispVal : value.pdispVal;
            if (!dispatch) return Variant();
            return Variant(FromDispatch(dispatch, session));
        }
        case VT_UNKNOWN: {
            IUnknown* unknown = byRef ? *value.ppunkVal : value.punkVal;
            if (!unknown) return Variant();
            ComPtr<IDispatch> dispatch = As<IDispatch>(unknown);
            if (!dispatch) ThrowTypeMismatch("an object without IDispatch");
            return Variant(FromDispatch(dispatch.get(), session));
        }
        case VT_ERROR: {
            // A left-out optional argument arrives as DISP_E_PARAMNOTFOUND.
            const SCODE code = byRef ? *value.pscode : value.scode;
            if (code == DISP_E_PARAMNOTFOUND) return Variant();
            return Variant(static_cast<std::int32_t>(code));
        }
        default: break;
    }
    ThrowTypeMismatch("a VARIANT of type " + std::to_string(type));
}

}  // namespace tarsel::cadlink::com
