// Native stand-ins for the system services of the message texts.
#include "archive/ZAMsgStrSys.h"

#include <cstring>

namespace quill::archive {

namespace {
std::span<const uint8_t> g_languageResource;
}

std::string WideToAnsi(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x100 ? char(c) : '?');
    return out;
}

std::span<const uint8_t> ProgramResource(int) {
    return {};
}

int UserDefaultLangId() {
    return 1033;
}

std::span<const uint8_t> LanguageResource() {
    return g_languageResource;
}

void OverrideLanguageResource(std::span<const uint8_t> bytes) {
    g_languageResource = bytes;
}

std::string OsErrorText(int code) {
    return std::strerror(code);
}

}  // namespace quill::archive
