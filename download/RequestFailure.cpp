#include "download/RequestFailure.h"

#include <wininet.h>

#include <cstring>

#include "toolkit/SysUtils.h"

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

std::string RequestFailureText(DWORD error) {
    std::string text = LastResponseText();
    if (text.empty()) text = tk::SystemMessageText(error);
    if (text.empty()) text = "Serverul de actualizari nu a putut fi contactat.";
    return text;
}

}  // namespace quill::download
