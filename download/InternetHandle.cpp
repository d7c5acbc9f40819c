#include "InternetHandle.h"

#include <cstring>

namespace quill::download {

std::string LastResponseText() {
    char buffer[1024] = {};
    DWORD error = 0;
    DWORD length = sizeof(buffer);
    // Too long a text fails the call; what fitted is still zero-terminated or empty.
    InternetGetLastResponseInfoA(&error, buffer, &length);
    buffer[sizeof(buffer) - 1] = '\0';
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

std::string SystemMessageText(DWORD error) {
    const bool fromWinInet = error >= 12000 && error <= 12999;
    HMODULE wininet = fromWinInet ? GetModuleHandleA("wininet.dll") : nullptr;
    const DWORD source = wininet ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS, wininet, error,
        0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result(text != nullptr ? text : "", length);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

std::string SystemErrorText(DWORD error) {
    std::string text = SystemMessageText(error);
    return text.empty() ? "Error " + std::to_string(error) + "." : text;
}

std::string RequestFailureText(DWORD error) {
    std::string text = LastResponseText();
    if (text.empty()) text = SystemMessageText(error);
    if (text.empty()) text = "Serverul de actualizari nu a putut fi contactat.";
    return text;
}

}  // namespace quill::download
