// Ownership of one WinInet handle. The worker closes its handles itself, in
// reverse order, because a failing close is reported; the destructor only
// catches handles that an unexpected path left open.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace quill::download {

class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { Close(); }

    // Takes ownership of a freshly opened handle (nullptr when the call failed).
    void Reset(HINTERNET handle) {
        Close();
        handle_ = handle;
    }

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Closes the handle if it is open; false only when WinInet refuses to close it.
    bool Close() {
        if (handle_ == nullptr) return true;
        HINTERNET handle = handle_;
        handle_ = nullptr;
        return InternetCloseHandle(handle) != FALSE;
    }

private:
    HINTERNET handle_ = nullptr;
};

// The server's last response text (up to its first zero byte); may be empty.
std::string LastResponseText();

// The system's message text for an error number, without the trailing line end.
std::string SystemErrorText(DWORD error);

}  // namespace quill::download
