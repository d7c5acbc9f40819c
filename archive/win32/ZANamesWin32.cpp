#include "archive/ZANames.h"

#include <windows.h>

#include "toolkit/SysUtils.h"

#include <vector>

namespace quill::archive {

namespace ZANames {

namespace {

// The ANSI form of a wide text when it converts back to the very same text.
bool ExactAnsi(const std::wstring& text, std::string& ansi) {
    ansi.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()),
                                      nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    ansi.resize(n);
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), ansi.data(), n,
                        nullptr, &usedDefault);
    // Some code pages map a letter to another without calling it a default: check the way back.
    const int m = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0);
    std::wstring back(m > 0 ? m : 0, L'\0');
    if (m > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, back.data(), m);
    return !usedDefault && back == text;
}

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

std::string AnsiPath(const std::wstring& path) {
    std::string ansi;
    if (ExactAnsi(path, ansi)) return ansi;
    std::wstring shortForm(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetShortPathNameW(path.c_str(), shortForm.data(), DWORD(shortForm.size()));
        if (n == 0) return {};
        if (n < shortForm.size()) {
            shortForm.resize(n);
            break;
        }
        shortForm.resize(n);
    }
    // Where the volume keeps no short names the long name comes back: no ANSI name exists.
    return ExactAnsi(shortForm, ansi) ? ansi : std::string();
}

std::string ExecutableFolder() {
    std::wstring path = tk::ModuleFileName();
    if (path.empty()) return {};
    path.resize(path.find_last_of(L"\\/") + 1);
    return WithBackslash(AnsiPath(path));
}

std::string TempFolder() {
    std::wstring path(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(DWORD(path.size()), path.data());
    if (n == 0 || n > path.size()) return {};
    path.resize(n);
    return WithBackslash(AnsiPath(path));
}

}  // namespace ZANames

}  // namespace quill::archive
