// Owners for the Win32 resources the platform layer acquires: one type per kind of handle,
// each released with the one function that releases it, on every path out of its scope.
// Nothing in src/platform/win32 closes, frees or releases anything by hand.
#pragma once

#include <windows.h>

#include <wtypes.h>

#include <string>
#include <utility>

#include "platform/platform.h"

namespace tu::win32 {

// A handle-like value with a "none" value and one release function, both named by Traits.
template <typename Traits>
class Owner {
public:
    using T = typename Traits::type;

    Owner() = default;
    explicit Owner(T value) : value_(value) {}
    Owner(Owner&& other) noexcept : value_(std::exchange(other.value_, Traits::none())) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Traits::none()));
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    ~Owner() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::none(); }
    // Gives up ownership, e.g. to hand a handle out as a HandleId.
    T release() { return std::exchange(value_, Traits::none()); }
    void reset(T value = Traits::none()) {
        if (value_ != Traits::none()) Traits::close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::none();
};

// Kernel handles: CreateFileW and CreateToolhelp32Snapshot report failure as
// INVALID_HANDLE_VALUE, OpenProcess and NtCreateFile as null. Each call site takes the owner
// that matches its API's "none", so a failed call never reaches CloseHandle.
struct FileHandleTraits {
    using type = HANDLE;
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {
    using type = HANDLE;
    static HANDLE none() { return nullptr; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using type = HANDLE;
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};
// Buffers that the system allocated for us with LocalAlloc (FormatMessageW).
template <typename P>
struct LocalTraits {
    using type = P;
    static P none() { return nullptr; }
    static void close(P p) { ::LocalFree(reinterpret_cast<HLOCAL>(p)); }
};
// A DLL the platform loaded itself (LoadLibraryExW).
struct ModuleTraits {
    using type = HMODULE;
    static HMODULE none() { return nullptr; }
    static void close(HMODULE m) { ::FreeLibrary(m); }
};

using FileHandle = Owner<FileHandleTraits>;
using KernelHandle = Owner<KernelHandleTraits>;
using FindHandle = Owner<FindHandleTraits>;
template <typename P>
using LocalBuffer = Owner<LocalTraits<P>>;
using Module = Owner<ModuleTraits>;

// One reference to a COM interface.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&&) = delete;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_) p_->Release();
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The out-parameter of a call that hands over a reference; only on an empty owner.
    I** put() { return &p_; }
    void** put_void() { return reinterpret_cast<void**>(&p_); }

private:
    I* p_ = nullptr;
};

// The calling thread's COM apartment, given the outcome of CoInitializeEx and the
// CoUninitialize of the same library: uninitialises exactly once, and only after the
// initialisation succeeded (S_FALSE, "already initialised", included).
class ComApartment {
public:
    using Uninitialize = void(WINAPI*)();
    ComApartment(HRESULT status, Uninitialize uninitialize) : status_(status), uninitialize_(uninitialize) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(status_)) uninitialize_();
    }
    HRESULT status() const { return status_; }

private:
    HRESULT status_;
    Uninitialize uninitialize_;
};

// A string the COM library allocated (a BSTR), freed with that library's SysFreeString.
class ComString {
public:
    using Free = void(WINAPI*)(BSTR);
    ComString(BSTR text, Free free) : text_(text), free_(free) {}
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    ~ComString() {
        if (text_) free_(text_);
    }
    BSTR get() const { return text_; }

private:
    BSTR text_;
    Free free_;
};

// wchar_t and char16_t are both UTF-16 code units on Windows; the platform strings are
// handed to the API as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* units(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// A NUL-terminated copy for the API calls that take C strings.
inline PString terminated(PStringView text) { return PString(text); }

}  // namespace tu::win32
