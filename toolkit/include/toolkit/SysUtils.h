// The system helpers every Win32 side shares: error texts, files, the program's own path and
// its RCDATA resources. Each says how it fails; only the whole-file helpers raise, and every
// failed file is reported one way (RaiseFileError).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "toolkit/Handles.h"

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

// Opens an existing file for reading; others may read it too, but not write it while it is
// open. An invalid handle on failure, GetLastError telling why.
TFileHandle OpenFileForReading(const std::string& path, DWORD flags = FILE_ATTRIBUTE_NORMAL);
// Creates a file, or empties an existing one, for writing (and reading back when `alsoRead`),
// shared with nobody while it is open. An invalid handle on failure, GetLastError telling why.
TFileHandle CreateFileForWriting(const std::string& path, bool alsoRead = false);

// The one report of a failed file: raises EInOutError with "Cannot <action> file "<path>".
// <the system's text for error>".
[[noreturn]] void RaiseFileError(const std::string& action, const std::string& path, DWORD error);

// The file's bytes, at most `limit` of them; raises EInOutError when it cannot be opened or
// read.
std::string ReadWholeFile(const std::string& path, size_t limit);
// Creates or replaces the file with `content`; raises EInOutError when it cannot be created or
// written whole.
void WriteWholeFile(const std::string& path, std::string_view content);

// Puts `content` in place of the file at `path` in one step: a cut at any moment leaves the
// old file or the new one, never an empty or half-written one. The content goes to
// "<path>.tmp" beside it, reaches the disk, then takes the name. Raises as RaiseFileError
// does; the staged file does not stay behind a failure.
void ReplaceWholeFile(const std::string& path, std::string_view content);

// The full path of a loaded module (nullptr: the running program), however long; empty when
// the system cannot tell.
std::wstring ModuleFileName(HMODULE module = nullptr);

// The bytes of the running program's RCDATA resource `id`; empty when there is none. They
// live as long as the program.
std::span<const std::uint8_t> ProgramResource(int id);

}  // namespace tk
