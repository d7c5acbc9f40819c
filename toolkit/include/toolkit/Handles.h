// Owning wrappers for Win32 handles: each closes its handle exactly once. Header-only, so
// that code which links no toolkit library (the engine library) may use them too.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wininet.h>

#include <utility>

namespace tk {

template <class H, class Traits>
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(H h) : FHandle(h) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept
        : FHandle(std::exchange(other.FHandle, Traits::Invalid())) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.FHandle, Traits::Invalid()));
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    H Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Traits::Invalid(); }
    H Release() { return std::exchange(FHandle, Traits::Invalid()); }
    void Reset(H h = Traits::Invalid()) {
        if (FHandle != Traits::Invalid()) Traits::Close(FHandle);
        FHandle = h;
    }

private:
    H FHandle = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// Files from CreateFile, whose failure is INVALID_HANDLE_VALUE rather than nullptr.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// Searches from FindFirstFile, ended with FindClose.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
// Libraries from LoadLibrary.
struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
// Registry keys from RegCreateKeyEx/RegOpenKeyEx.
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
// WinInet sessions, connections and requests. A caller that reports a failing close takes
// the handle back with Release and closes it itself.
struct InternetHandleTraits {
    static HINTERNET Invalid() { return nullptr; }
    static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
struct GdiObjectTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDCTraits {
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { DeleteDC(h); }
};
struct WindowTraits {
    static HWND Invalid() { return nullptr; }
    static void Close(HWND h) { DestroyWindow(h); }
};

using TKernelHandle = TUniqueHandle<HANDLE, KernelHandleTraits>;
using TFileHandle = TUniqueHandle<HANDLE, FileHandleTraits>;
using TFindHandle = TUniqueHandle<HANDLE, FindHandleTraits>;
using TModule = TUniqueHandle<HMODULE, ModuleTraits>;
using TRegKey = TUniqueHandle<HKEY, RegKeyTraits>;
using TInternetHandle = TUniqueHandle<HINTERNET, InternetHandleTraits>;
using TGdiObject = TUniqueHandle<HGDIOBJ, GdiObjectTraits>;
using TMemoryDC = TUniqueHandle<HDC, MemoryDCTraits>;

// Selects an object into a DC for one scope and puts the old one back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelectObject() { SelectObject(FDC, FOld); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// SaveDC/RestoreDC for one scope.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : FDC(dc), FState(SaveDC(dc)) {}
    ~TSavedDC() { RestoreDC(FDC, FState); }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC FDC;
    int FState;
};

// A window DC from GetDC, released at the end of its scope.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) : FWnd(wnd), FDC(GetDC(wnd)) {}
    ~TWindowDC() { ReleaseDC(FWnd, FDC); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// One reference to a COM object: released exactly once. Put() hands out the slot for an
// out-parameter (the old reference is released first).
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    // Takes over a reference the caller was given (a creating call's result).
    explicit TComPtr(T* adopted) : FPtr(adopted) {}
    ~TComPtr() { Reset(); }
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            FPtr = std::exchange(other.FPtr, nullptr);
        }
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    T** Put() {
        Reset();
        return &FPtr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (FPtr) std::exchange(FPtr, nullptr)->Release();
    }

private:
    T* FPtr = nullptr;
};

}  // namespace tk
