#include "update/VersionHistory.h"

#include <windows.h>

#include "update/ReleaseManifest.h"
#include "toolkit/Handles.h"

namespace quill::update {

namespace {

constexpr const char* DiverseKey = "Quillora\\Diverse";

std::optional<FileVersion> ReadVersionValue(HKEY key, const char* name) {
    char text[64] = {};
    DWORD type = 0, size = sizeof text - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::string value(text, size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return ParseVersion(value);
}

}  // namespace

std::optional<FileVersion> HighestRecordedVersion() {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DiverseKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const tk::TRegKey key(opened);
    auto highest = ReadVersionValue(key.Get(), HighestVersionValue);
    const auto installed = ReadVersionValue(key.Get(), "VersiuneStructura");
    if (installed && (!highest || CompareVersions(*installed, *highest) > 0)) highest = installed;
    return highest;
}

bool NoteRecordedVersion(const std::string& versionText) {
    const auto version = ParseVersion(versionText);
    if (!version) return false;
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, DiverseKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const tk::TRegKey key(created);
    const auto highest = ReadVersionValue(key.Get(), HighestVersionValue);
    if (highest && CompareVersions(*highest, *version) >= 0) return true;
    return RegSetValueExA(key.Get(), HighestVersionValue, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(versionText.c_str()),
                          DWORD(versionText.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace quill::update
