// One owning handle for every kind of Windows resource the program holds: kernel handles,
// registry keys, memory the system allocated, and (through traits in cadlink/com/com_ptr.h)
// COM interfaces, VARIANTs and BSTRs. Each is let go exactly once; put() lets go of the old
// value before it hands out the slot for an out parameter, so a reused handle never leaks.
#pragma once

#include <windows.h>

#include <concepts>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace tarsel::platform {

// What a handle kind says about itself:
//   using Type = ...;                 what is held (a pointer, a handle, or a struct)
//   static Type Invalid() noexcept;   the value that holds nothing
//   static bool IsValid(const Type&) noexcept;
//   static void Close(Type&) noexcept;   lets go of a valid value
// and, for kinds with more than one owner (COM interfaces), Duplicate(Type) adds an owner.
template <class Traits>
concept HandleTraits = requires(typename Traits::Type value) {
    { Traits::Invalid() } -> std::same_as<typename Traits::Type>;
    { Traits::IsValid(value) } -> std::same_as<bool>;
    Traits::Close(value);
};
template <class Traits>
concept SharedHandleTraits = HandleTraits<Traits> && requires(typename Traits::Type value) {
    Traits::Duplicate(value);
};

template <HandleTraits Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() noexcept = default;
    UniqueAny(std::nullptr_t) noexcept requires std::is_pointer_v<Type> {}
    // Takes over a value the caller owned.
    [[nodiscard]] static UniqueAny Adopt(Type value) noexcept {
        UniqueAny result;
        result.value_ = value;
        return result;
    }
    // One more owner of a value someone else owns (AddRef for a COM interface).
    [[nodiscard]] static UniqueAny Share(Type value) noexcept requires SharedHandleTraits<Traits> {
        if (Traits::IsValid(value)) Traits::Duplicate(value);
        return Adopt(value);
    }

    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        UniqueAny(std::move(other)).swap(*this);
        return *this;
    }
    UniqueAny(const UniqueAny& other) noexcept requires SharedHandleTraits<Traits>
        : value_(Share(other.value_).release()) {}
    UniqueAny& operator=(const UniqueAny& other) noexcept requires SharedHandleTraits<Traits> {
        UniqueAny(other).swap(*this);
        return *this;
    }
    ~UniqueAny() { reset(); }

    void reset() noexcept {
        Type old = release();
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    // Hands the value to a caller that will let go of it.
    [[nodiscard]] Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void swap(UniqueAny& other) noexcept { std::swap(value_, other.value_); }

    [[nodiscard]] const Type& get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Traits::IsValid(value_); }

    // The slot for an out parameter, emptied first.
    [[nodiscard]] Type* put() noexcept {
        reset();
        return &value_;
    }
    // For void** out parameters (QueryInterface, GetActiveObject and the like).
    [[nodiscard]] void** put_void() noexcept requires std::is_pointer_v<Type> {
        return reinterpret_cast<void**>(put());
    }
    // The slot itself, value kept: for a by-reference argument whose address must stay put.
    [[nodiscard]] Type* addressof() noexcept { return &value_; }

    Type operator->() const noexcept requires std::is_pointer_v<Type> { return value_; }
    const Type* operator->() const noexcept requires(!std::is_pointer_v<Type>) { return &value_; }

    friend bool operator==(const UniqueAny& a,
                           const UniqueAny& b) noexcept requires std::equality_comparable<Type> {
        return a.value_ == b.value_;
    }

private:
    Type value_ = Traits::Invalid();
};

// A pointer-like handle that is empty when null and let go of by one function.
template <class T, auto CloseFunction>
struct CloseWith {
    using Type = T;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static bool IsValid(const Type& value) noexcept { return value != nullptr; }
    static void Close(Type& value) noexcept { (void)CloseFunction(value); }
};

// Kernel objects: some functions report failure as INVALID_HANDLE_VALUE, others as null.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(const Type& value) noexcept {
        return value != nullptr && value != INVALID_HANDLE_VALUE;
    }
    static void Close(Type& value) noexcept { CloseHandle(value); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
// An opened registry key (never one of the predefined roots such as HKEY_CLASSES_ROOT).
using UniqueHkey = UniqueAny<CloseWith<HKEY, ::RegCloseKey>>;
// Memory the system allocated with LocalAlloc for us (FORMAT_MESSAGE_ALLOCATE_BUFFER).
template <class T>
using UniqueLocalMemory = UniqueAny<CloseWith<T*, ::LocalFree>>;

}  // namespace tarsel::platform
