// The system helpers every Win32 side shares: error texts, file existence, the program's own
// path and its RCDATA resources. Each says how it fails; none raises.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

namespace tk {

// The system's message text for an error number, without trailing line ends and spaces;
// WinInet's own numbers (12000-12999) come from wininet.dll's table when it is loaded.
// Empty when the system has no text: each caller decides what it shows instead.
std::string SystemMessageText(DWORD error);
// SystemMessageText, or "Error <n>." when the system has no text.
std::string SystemErrorText(DWORD error);

// True when the path names an existing file (a folder is not a file); false when it cannot
// be queried.
bool FileExists(const std::string& path);

// The full path of a loaded module (nullptr: the running program), however long; empty when
// the system cannot tell.
std::wstring ModuleFileName(HMODULE module = nullptr);

// The bytes of the running program's RCDATA resource `id`; empty when there is none. They
// live as long as the program.
std::span<const std::uint8_t> ProgramResource(int id);

}  // namespace tk
