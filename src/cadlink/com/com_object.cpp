#include "cadlink/com/com_object.h"

#include <type_traits>
#include <utility>
#include <vector>

#include "cadlink/com/com_text.h"
#include "cadlink/com/variant_convert.h"

namespace tarsel::cadlink::com {
namespace {

// The VARIANTs of one call's DISPPARAMS, cleared however the call ends. DISPPARAMS takes
// them as one array of VARIANT, which an array of UniqueVariant is, member for member.
static_assert(sizeof(UniqueVariant) == sizeof(VARIANT) && std::is_standard_layout_v<UniqueVariant>);
class Arguments {
public:
    explicit Arguments(std::size_t count) : values_(count), outValues_(count) {}

    // Slot i in COM order (the last source argument first).
    [[nodiscard]] VARIANT* slot(std::size_t i) { return values_[i].addressof(); }
    [[nodiscard]] VARIANT* data() { return reinterpret_cast<VARIANT*>(values_.data()); }
    // The VARIANT a by-reference slot points to.
    [[nodiscard]] UniqueVariant& outValue(std::size_t i) { return outValues_[i]; }

private:
    std::vector<UniqueVariant> values_;
    std::vector<UniqueVariant> outValues_;  // sized once: the slots point into it
};

// What a server said in the EXCEPINFO of a failed call: its own code, else the call's.
HRESULT ErrorCode(EXCEPINFO& info, HRESULT invokeResult) {
    if (info.pfnDeferredFillIn) {
        auto fill = std::exchange(info.pfnDeferredFillIn, nullptr);
        fill(&info);
    }
    return FAILED(info.scode) ? info.scode : invokeResult;
}

// The server's description, else the system's words for the code.
std::string ErrorText(EXCEPINFO& info, HRESULT invokeResult) {
    const HRESULT code = ErrorCode(info, invokeResult);
    if (info.bstrDescription && SysStringLen(info.bstrDescription) > 0) {
        return BstrToUtf8(info.bstrDescription);
    }
    return HResultText(code);
}

// A conversion does not know the member it serves: its failure is reported as the member's.
template <class Work>
auto ForMember(std::string_view member, Work&& work) {
    try {
        return std::forward<Work>(work)();
    } catch (const AutomationError& e) {
        throw AutomationError(std::string(member), e.code(), e.text());
    }
}

}  // namespace

ObjectRef ComObject::Create(ComPtr<IDispatch> dispatch, std::shared_ptr<DispatchSession> session) {
    return std::make_shared<ComObject>(std::move(dispatch), std::move(session));
}

ComObject::ComObject(ComPtr<IDispatch> dispatch, std::shared_ptr<DispatchSession> session)
    : dispatch_(std::move(dispatch)), session_(std::move(session)) {
    if (!session_) session_ = std::make_shared<DispatchSession>();
}

DISPID ComObject::IdOf(std::string_view member) {
    if (!typeLooked_) {
        type_ = session_->TypeOf(dispatch_.get());
        typeLooked_ = true;
    }
    return session_->IdOf(dispatch_.get(), type_, member, ownIds_);
}

Variant ComObject::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
    if (!dispatch_) throw AutomationError(std::string(member), hresult::kFail, "no object");
    const DISPID id = IdOf(member);

    const std::size_t count = args.size();
    Arguments params(count);
    std::vector<bool> isOut(count, false);
    ForMember(member, [&] {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t slot = count - 1 - i;
            if (args[i].IsEmpty()) {
                isOut[i] = true;
                params.slot(slot)->vt = VT_BYREF | VT_VARIANT;
                params.slot(slot)->pvarVal = params.outValue(slot).addressof();
            } else {
                ToVARIANT(args[i], params.slot(slot));
            }
        }
    });

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS dispParams{params.data(), nullptr, static_cast<UINT>(count), 0};
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (kind == InvokeKind::Put) {
        flags = DISPATCH_PROPERTYPUT;
        dispParams.rgdispidNamedArgs = &namedPut;
        dispParams.cNamedArgs = 1;
    }

    UniqueVariant result;
    UniqueExcepInfo exception;
    UINT argumentError = 0;
    detail::CountInvoke();
    const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dispParams,
                                         kind == InvokeKind::Put ? nullptr : result.addressof(),
                                         exception.addressof(), &argumentError);
    if (FAILED(hr)) {
        if (hr == DISP_E_EXCEPTION) {
            EXCEPINFO& info = *exception.addressof();
            throw AutomationError(std::string(member), ErrorCode(info, hr), ErrorText(info, hr));
        }
        std::string text = HResultText(hr);
        if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argumentError < count) {
            text += " (argument " + std::to_string(count - argumentError) + ")";
        }
        throw AutomationError(std::string(member), hr, std::move(text));
    }

    return ForMember(member, [&] {
        for (std::size_t i = 0; i < count; ++i) {
            if (isOut[i]) args[i] = FromVARIANT(params.outValue(count - 1 - i).get(), session_);
        }
        return FromVARIANT(result.get(), session_);
    });
}

}  // namespace tarsel::cadlink::com
