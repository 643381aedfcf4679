// Owning handles for COM: a reference-counted interface pointer, a VARIANT and a BSTR.
// Each releases what it owns exactly once; put() hands out the slot for an out parameter
// after releasing the old value, so a reused handle never leaks.
#pragma once

#include <utility>

#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference (AddRef) to p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    [[nodiscard]] static ComPtr Attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    [[nodiscard]] T* detach() noexcept { return std::exchange(p_, nullptr); }

    void reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    [[nodiscard]] T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For T** out parameters: releases the current pointer first.
    [[nodiscard]] T** put() noexcept {
        reset();
        return &p_;
    }
    // For void** out parameters (QueryInterface, GetActiveObject and the like).
    [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // QueryInterface; an empty pointer when the object does not have U.
    template <class U>
    [[nodiscard]] ComPtr<U> As(REFIID iid) const noexcept {
        ComPtr<U> result;
        if (p_) (void)p_->QueryInterface(iid, result.put_void());
        return result;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }

private:
    T* p_ = nullptr;
};

// A VARIANT that clears itself.
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&v_); }
    UniqueVariant(UniqueVariant&& other) noexcept : UniqueVariant() { std::swap(v_, other.v_); }
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            reset();
            std::swap(v_, other.v_);
        }
        return *this;
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { reset(); }

    void reset() noexcept {
        VariantClear(&v_);
        VariantInit(&v_);
    }
    [[nodiscard]] VARIANT* get() noexcept { return &v_; }
    [[nodiscard]] const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }
    // For VARIANT* out parameters: clears the current value first.
    [[nodiscard]] VARIANT* put() noexcept {
        reset();
        return &v_;
    }
    // Hands the value over to a caller that will clear it (an out parameter of ours).
    [[nodiscard]] VARIANT release() noexcept {
        VARIANT result = v_;
        VariantInit(&v_);
        return result;
    }

private:
    VARIANT v_;
};

// A BSTR that frees itself.
class UniqueBstr {
public:
    UniqueBstr() noexcept = default;
    explicit UniqueBstr(BSTR s) noexcept : s_(s) {}
    UniqueBstr(UniqueBstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        if (this != &other) {
            reset();
            s_ = std::exchange(other.s_, nullptr);
        }
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { reset(); }

    void reset() noexcept {
        if (BSTR old = std::exchange(s_, nullptr)) SysFreeString(old);
    }
    [[nodiscard]] BSTR get() const noexcept { return s_; }
    [[nodiscard]] BSTR* put() noexcept {
        reset();
        return &s_;
    }
    [[nodiscard]] BSTR release() noexcept { return std::exchange(s_, nullptr); }

private:
    BSTR s_ = nullptr;
};

}  // namespace tarsel::cadlink::com
