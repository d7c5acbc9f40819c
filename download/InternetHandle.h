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

    // Takes ownership of a freshly opened handle (nullptr when the call failed: call right
    // after the call, so that its error number is kept).
    void Reset(HINTERNET handle) {
        const DWORD error = GetLastError();
        Close();
        handle_ = handle;
        openError_ = handle ? 0 : error;
    }
    // The error number of the failed open, 0 when it opened.
    DWORD OpenError() const { return openError_; }

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
    DWORD openError_ = 0;
};

// The server's last response text (up to its first zero byte); may be empty.
std::string LastResponseText();

// The system's message text for an error number, without the trailing line end; WinInet's
// own numbers (12000-12999) are looked up in wininet.dll's table. Empty when there is none.
std::string SystemMessageText(DWORD error);
// SystemMessageText, or "Error <n>." when the system has no text.
std::string SystemErrorText(DWORD error);
// Why a request failed, for the user: the server's last response text when it sent one,
// else the system's text for the error, else a sentence saying the server was not reached.
std::string RequestFailureText(DWORD error);

}  // namespace quill::download
