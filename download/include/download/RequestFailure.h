// What the user is told when a request fails: the server's own words first.
#pragma once

#include <windows.h>

#include <string>

namespace quill::download {

// The server's last response text (up to its first zero byte); may be empty.
std::string LastResponseText();

// Why a request failed, for the user: the server's last response text when it sent one,
// else the system's text for the error, else a sentence saying the server was not reached.
std::string RequestFailureText(DWORD error);

}  // namespace quill::download
