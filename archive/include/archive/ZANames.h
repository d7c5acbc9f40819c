// File names handed between this program and Windows.
//
// The rule, for every part of the updater: a narrow string that names a file is in the ANSI
// code page. It goes straight to an "A" function of the system, or becomes wide once, with
// MultiByteToWideChar(CP_ACP). A name the system hands over in wide form becomes narrow only
// through AnsiPath below, so that no letter is silently replaced. A std::filesystem::path is
// never built from a narrow string on Windows: mingw's library reads its bytes as Latin-1.
#pragma once

#include <string>

namespace quill::archive {

namespace ZANames {

// The ANSI form of an existing file or folder that names it exactly: the plain conversion
// when every letter is in the ANSI code page, otherwise the short form (ASCII under every
// code page). Empty when neither names it (a letter outside the code page and no short form).
std::string AnsiPath(const std::wstring& path);

// The folder of the running executable with a trailing backslash, by the rule above;
// empty when it has no ANSI name.
std::string ExecutableFolder();

// The system's temporary folder with a trailing backslash, by the rule above; empty when it
// has no ANSI name.
std::string TempFolder();

}  // namespace ZANames

}  // namespace quill::archive
