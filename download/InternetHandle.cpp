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

std::string SystemErrorText(DWORD error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result(text != nullptr ? text : "", length);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    if (result.empty()) result = "Error " + std::to_string(error) + ".";
    return result;
}

}  // namespace quill::download
