#include "minicad/drawing.h"

namespace tarsel::minicad {

namespace {

// "0" is every entity's layer until it is given one: it must cost no allocation.
constexpr std::string_view kZero = "0";

}  // namespace

SharedName::Rep* SharedName::Empty() noexcept {
    // Never destroyed: a name in an object of static storage may still point here when that
    // object is destroyed.
    static Rep* const empty = new Rep{{0}, std::string(), true};
    return empty;
}

SharedName::SharedName() noexcept : rep_(Empty()) {}

SharedName::SharedName(std::string_view text) {
    static Rep* const zero = new Rep{{0}, std::string(kZero), true};
    if (text.empty())
        rep_ = Empty();
    else if (text == kZero)
        rep_ = zero;
    else
        rep_ = new Rep{{1}, std::string(text), false};
}

SharedName::SharedName(SharedName&& other) noexcept : rep_(other.rep_) {
    other.rep_ = Empty();
}

SharedName& SharedName::operator=(const SharedName& other) noexcept {
    other.Hold();
    Release();
    rep_ = other.rep_;
    return *this;
}

SharedName& SharedName::operator=(SharedName&& other) noexcept {
    if (this != &other) {
        Release();
        rep_ = other.rep_;
        other.rep_ = Empty();
    }
    return *this;
}

void SharedName::clear() noexcept {
    Release();
    rep_ = Empty();
}

void SharedName::Release() noexcept {
    if (!rep_->immortal && rep_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete rep_;
}

}  // namespace tarsel::minicad
