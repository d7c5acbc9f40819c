// Win32 system services of the message texts and the engine loader.
#include "archive/ZAMsgStrSys.h"

#include <windows.h>

#include "toolkit/SysUtils.h"

namespace quill::archive {

namespace {
constexpr int kLanguageResourceId = 11610;
std::span<const uint8_t> g_override;
bool g_overridden = false;
}  // namespace

std::string WideToAnsi(const std::u16string& text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int size = WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::span<const uint8_t> ProgramResource(int id) {
    return tk::ProgramResource(id);
}

int UserDefaultLangId() {
    return GetUserDefaultLangID();
}

std::span<const uint8_t> LanguageResource() {
    if (g_overridden) return g_override;
    return ProgramResource(kLanguageResourceId);
}

void OverrideLanguageResource(std::span<const uint8_t> bytes) {
    g_override = bytes;
    g_overridden = !bytes.empty();
}

std::string OsErrorText(int code) {
    return tk::SystemMessageText(DWORD(code));
}

}  // namespace quill::archive
