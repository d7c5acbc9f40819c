#include "update/utils.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "archive/ZANames.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#ifndef QUILL_SERVER_BASE
#define QUILL_SERVER_BASE "http://update.quillora.example/"
#endif

namespace quill::update {

const char* const ServerBase = QUILL_SERVER_BASE;

namespace {

// A version reply is one short line; anything far larger is not a reply.
constexpr size_t MaxReplySize = 64 * 1024;

}  // namespace

std::optional<std::string> FetchFresh(const std::string& url, size_t limit) {
    tk::TInternetHandle session(
        InternetOpenA("Quillora updater", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return std::nullopt;
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES;
    tk::TInternetHandle request(InternetOpenUrlA(session.Get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request) return std::nullopt;

    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr) ||
        status / 100 != 2)
        return std::nullopt;

    std::string body;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), buffer, sizeof buffer, &got)) return std::nullopt;
        if (got == 0) break;
        body.append(buffer, got);
        if (body.size() > limit) return std::nullopt;
    }
    DWORD announced = 0;
    size = sizeof announced;
    if (HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                       &announced, &size, nullptr) &&
        body.size() != announced)
        return std::nullopt;  // cut short
    return body;
}

using tk::ReadWholeFile;
using tk::WriteWholeFile;

std::string ProgramFolder() {
    return archive::ZANames::ExecutableFolder();
}

std::string VersionQuery(const std::string& installationId) {
    return VersionQuery(ServerBase, installationId, ProgramFolder() + VersionReplyFile);
}

std::string VersionQuery(const std::string& serverBase, const std::string& installationId,
                         const std::string& replyFile) {
    const std::string url = serverBase + "getLastVer.php?id=" + installationId;
    DeleteFileA(replyFile.c_str());
    if (auto body = FetchFresh(url, MaxReplySize)) {
        try {
            WriteWholeFile(replyFile, *body);
        } catch (const EInOutError&) {
            DeleteFileA(replyFile.c_str());  // a half-written reply is no reply
        }
    }
    if (!tk::FileExists(replyFile)) return "0";
    return FirstLine(ReadWholeFile(replyFile, MaxReplySize));
}

bool CloseMainApplication(const std::string& windowTitle) {
    HWND window = FindWindowA(nullptr, windowTitle.c_str());
    return window && PostMessageA(window, WM_QUIT, 0, 0);
}

std::optional<FileVersion> FileVersionOf(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<char> buffer(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return std::nullopt;
    void* block = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(buffer.data(), "\\", &block, &length) || !block ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    if (info->dwSignature != 0xFEEF04BD) return std::nullopt;
    return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                       HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

std::string VersionText(const std::string& path) {
    const auto version = FileVersionOf(path);
    return version ? FormatVersion(*version) : std::string();
}

bool RecordInstalledVersion(const std::string& executablePath) {
    return RecordInstalledVersion(executablePath, ProgramFolder() + VersionFile);
}

bool RecordInstalledVersion(const std::string& executablePath, const std::string& versionFile) {
    const std::string text = VersionText(executablePath);
    if (text.empty()) return false;
    WriteWholeFile(versionFile, text + "\r\n");

    HKEY opened = nullptr;
    tk::TRegKey quillora;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Quillora", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &opened, nullptr) == ERROR_SUCCESS)
        quillora.Reset(opened);
    // Without the product key the subkey goes under the hive's root instead.
    HKEY parent = quillora ? quillora.Get() : HKEY_CURRENT_USER;
    constexpr const char* subkey = "Diverse";
    constexpr const char* value = "VersiuneStructura";
    HKEY created = nullptr;
    if (RegCreateKeyExA(parent, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        throw ERegistryException(std::string("Failed to create key ") + subkey);
    tk::TRegKey diverse(created);
    if (RegSetValueExA(diverse.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(std::string("Failed to set data for '") + value + "'");
    return true;
}

}  // namespace quill::update
