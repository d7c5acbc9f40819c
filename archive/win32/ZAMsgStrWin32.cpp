// Win32 system services of the message texts and the engine loader.
#include "archive/ZAMsgStrSys.h"

#include <windows.h>

namespace ZASys {
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
    HMODULE program = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(program, found);  // resource memory lives as long as the module
    if (!loaded) return {};
    auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(program, found);
    if (!data || size == 0) return {};
    return {data, size};
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

std::string ErrorText(int code) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}
}  // namespace ZASys
