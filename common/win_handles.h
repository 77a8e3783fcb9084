#pragma once
// RAII owners for the Windows resources the program holds. Every resource is
// released by its owner's destructor, on every path; nothing is freed by hand.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include <commctrl.h>

#include <string>
#include <utility>

namespace ql::win {

// A move-only owner of one handle-like value with a release function.
template <typename T, auto Release, T Null = T{}>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Null)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Null));
        return *this;
    }
    ~Unique() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Null; }
    T release() { return std::exchange(value_, Null); }
    void reset(T value = Null) {
        if (value_ != Null) Release(value_);
        value_ = value;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Null;
};

namespace detail {
inline void closeKey(HKEY key) { ::RegCloseKey(key); }
inline void freePidl(PIDLIST_ABSOLUTE pidl) { ::CoTaskMemFree(pidl); }
inline void deleteGdiObject(HGDIOBJ obj) { ::DeleteObject(obj); }
inline void deleteDc(HDC dc) { ::DeleteDC(dc); }
inline void destroyIcon(HICON icon) { ::DestroyIcon(icon); }
inline void destroyWindow(HWND hwnd) { ::DestroyWindow(hwnd); }
inline void closeHandle(HANDLE h) { ::CloseHandle(h); }
inline void freeLocal(HLOCAL memory) { ::LocalFree(memory); }
inline void destroyImageList(HIMAGELIST list) { ::ImageList_Destroy(list); }
inline void freeGlobal(HGLOBAL memory) { ::GlobalFree(memory); }
inline void freeProcessHeapText(PWSTR text) { ::HeapFree(::GetProcessHeap(), 0, text); }
inline void unhook(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
}  // namespace detail

using UniqueHKey = Unique<HKEY, detail::closeKey>;
using UniquePidl = Unique<PIDLIST_ABSOLUTE, detail::freePidl>;
using UniqueGdiObject = Unique<HGDIOBJ, detail::deleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, detail::deleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, detail::deleteGdiObject>;
using UniqueFont = Unique<HFONT, detail::deleteGdiObject>;
using UniqueDc = Unique<HDC, detail::deleteDc>;
using UniqueIcon = Unique<HICON, detail::destroyIcon>;
using UniqueWindow = Unique<HWND, detail::destroyWindow>;
using UniqueHandle = Unique<HANDLE, detail::closeHandle>;
using UniqueLocalMemory = Unique<HLOCAL, detail::freeLocal>;
using UniqueImageList = Unique<HIMAGELIST, detail::destroyImageList>;
using UniqueGlobal = Unique<HGLOBAL, detail::freeGlobal>;
using UniqueHook = Unique<HHOOK, detail::unhook>;
// Text allocated on the process heap (wine_get_dos_file_name hands out such).
using UniqueProcessHeapText = Unique<PWSTR, detail::freeProcessHeapText>;

// A file that is deleted when its owner goes, whatever became of it meanwhile.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() { ::DeleteFileW(path_.c_str()); }

private:
    std::wstring path_;
};

// Global memory locked for a scope.
template <typename T>
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL memory) : memory_(memory), data_(static_cast<T*>(::GlobalLock(memory))) {}
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock() {
        if (data_) ::GlobalUnlock(memory_);
    }
    T* get() const { return data_; }
    SIZE_T size() const { return data_ ? ::GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    T* data_;
};

// The clipboard, opened for a scope.
class OpenClipboard {
public:
    explicit OpenClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
    ~OpenClipboard() {
        if (open_) ::CloseClipboard();
    }
    bool ok() const { return open_; }

private:
    bool open_;
};

// Storage handed out by IDataObject::GetData, released with ReleaseStgMedium.
class StorageMedium {
public:
    StorageMedium() = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    ~StorageMedium() {
        if (filled_) ::ReleaseStgMedium(&medium_);
    }
    // For IDataObject::GetData; the medium counts as filled once the call succeeded.
    STGMEDIUM* put() { return &medium_; }
    void filled() { filled_ = true; }
    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_{};
    bool filled_ = false;
};

// Selects a GDI object into a DC for a scope and selects the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (ok()) ::SelectObject(dc_, old_);
    }
    bool ok() const { return old_ && reinterpret_cast<ULONG_PTR>(old_) != ~ULONG_PTR{0}; }  // HGDI_ERROR

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A screen DC obtained with GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// OLE (COM, apartment-threaded, with drag and drop and the OLE clipboard) for this thread, for as
// long as the scope lives.
class OleSession {
public:
    OleSession() : hr_(::OleInitialize(nullptr)) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (SUCCEEDED(hr_)) ::OleUninitialize();
    }

private:
    HRESULT hr_;
};

// COM for this thread, apartment-threaded, for as long as the scope lives.
class ComApartment {
public:
    ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }

private:
    HRESULT hr_;
};

}  // namespace ql::win
