#include "cadlink/com/com_object.h"

#include <cstring>
#include <vector>

#include "cadlink/com/com_text.h"
#include "cadlink/com/variant_convert.h"

namespace tarsel::cadlink::com {
namespace {

// The VARIANTs of one call's DISPPARAMS, cleared however the call ends.
class Arguments {
public:
    explicit Arguments(std::size_t count) : values_(count), outValues_(count) {
        for (VARIANT& v : values_) VariantInit(&v);
    }
    ~Arguments() {
        for (VARIANT& v : values_) VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // Slot i in COM order (the last source argument first).
    [[nodiscard]] VARIANT* slot(std::size_t i) { return &values_[i]; }
    [[nodiscard]] VARIANT* data() { return values_.data(); }
    // The VARIANT a by-reference slot points to.
    [[nodiscard]] UniqueVariant& outValue(std::size_t i) { return outValues_[i]; }

private:
    std::vector<VARIANT> values_;
    std::vector<UniqueVariant> outValues_;  // sized once: the slots point into it
};

// EXCEPINFO's strings are the caller's to free, whatever else happens.
class ExceptionInfo {
public:
    ExceptionInfo() { std::memset(&info_, 0, sizeof info_); }
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    [[nodiscard]] EXCEPINFO* get() { return &info_; }

    [[nodiscard]] HRESULT code(HRESULT invokeResult) {
        Fill();
        return FAILED(info_.scode) ? info_.scode : invokeResult;
    }
    [[nodiscard]] std::string text(HRESULT invokeResult) {
        Fill();
        if (info_.bstrDescription && SysStringLen(info_.bstrDescription) > 0) {
            return BstrToUtf8(info_.bstrDescription);
        }
        return HResultText(code(invokeResult));
    }

private:
    void Fill() {
        if (info_.pfnDeferredFillIn) {
            auto fill = info_.pfnDeferredFillIn;
            info_.pfnDeferredFillIn = nullptr;
            fill(&info_);
        }
    }
    EXCEPINFO info_;
};

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
    try {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t slot = count - 1 - i;
            if (args[i].IsEmpty()) {
                isOut[i] = true;
                params.slot(slot)->vt = VT_BYREF | VT_VARIANT;
                params.slot(slot)->pvarVal = params.outValue(slot).get();
            } else {
                ToVARIANT(args[i], params.slot(slot));
            }
        }
    } catch (const AutomationError& e) {
        throw AutomationError(std::string(member), e.code(), e.text());
    }

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS dispParams{params.data(), nullptr, static_cast<UINT>(count), 0};
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (kind == InvokeKind::Put) {
        flags = DISPATCH_PROPERTYPUT;
        dispParams.rgdispidNamedArgs = &namedPut;
        dispParams.cNamedArgs = 1;
    }

    UniqueVariant result;
    ExceptionInfo exception;
    UINT argumentError = 0;
    detail::CountInvoke();
    const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dispParams,
                                         kind == InvokeKind::Put ? nullptr : result.get(),
                                         exception.get(), &argumentError);
    if (FAILED(hr)) {
        if (hr == DISP_E_EXCEPTION) {
            throw AutomationError(std::string(member), exception.code(hr), exception.text(hr));
        }
        std::string text = HResultText(hr);
        if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argumentError < count) {
            text += " (argument " + std::to_string(count - argumentError) + ")";
        }
        throw AutomationError(std::string(member), hr, std::move(text));
    }

    try {
        for (std::size_t i = 0; i < count; ++i) {
            if (isOut[i]) args[i] = FromVARIANT(*params.outValue(count - 1 - i).get(), session_);
        }
        return FromVARIANT(*result.get(), session_);
    } catch (const AutomationError& e) {
        throw AutomationError(std::string(member), e.code(), e.text());
    }
}

}  // namespace tarsel::cadlink::com
