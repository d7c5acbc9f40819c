#include "CodePageText.h"

#include <windows.h>

namespace zipengine {

namespace {

std::wstring wideFrom(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string narrowFrom(UINT codePage, std::wstring_view wide) {
    if (wide.empty()) return {};
    // UTF-8 takes no flags; for the ANSI code page best fit is off ("ș" must not become "s").
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int length = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
    return text;
}

}  // namespace

std::filesystem::path pathFromAnsi(std::string_view ansi) {
    return std::filesystem::path(wideFrom(CP_ACP, ansi));
}

std::string utf8FromAnsi(std::string_view ansi) {
    return narrowFrom(CP_UTF8, wideFrom(CP_ACP, ansi));
}

std::string ansiFromUtf8(std::string_view utf8) {
    return narrowFrom(CP_ACP, wideFrom(CP_UTF8, utf8));
}

std::string utf8FromOem(std::string_view oem) {
    return narrowFrom(CP_UTF8, wideFrom(CP_OEMCP, oem));
}

}  // namespace zipengine
