#include "update/utils.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "archive/ZANames.h"
#include "download/HttpCore.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"
#include "update/UpdateSignature.h"
#include "update/VersionHistory.h"

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
    download::HttpBody reply = download::FetchSmallBody(url, limit, SmallReplyDeadline);
    if (!reply.ok) return std::nullopt;
    return std::move(reply.body);
}

using tk::ReadWholeFile;
using tk::ReplaceWholeFile;
using tk::WriteWholeFile;

std::string ProgramFolder() {
    return archive::ZANames::ExecutableFolder();
}

bool FolderIsWritable(const std::string& folder) {
    // Made by hand: wine's GetTempFileName names a file it could not create.
    for (DWORD attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        wsprintfA(name, "qup%04lx%04lx.tmp", GetCurrentProcessId() & 0xFFFF,
                  (GetTickCount() + attempt) & 0xFFFF);
        const tk::TFileHandle probe(
            CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (probe) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::string UnwritableFolderText(const std::string& folder) {
    return "Actualizarile nu pot fi instalate: dosarul programului (" + folder +
           ") nu poate fi scris (este protejat la scriere sau plin). Porniti programul ca un "
           "utilizator care are drept de scriere in acest dosar.";
}

std::string VersionQuery(const std::string& installationId) {
    return VersionQuery(ServerBase, installationId, ProgramFolder() + VersionReplyFile);
}

std::string VersionQuery(const std::string& serverBase, const std::string& installationId,
                         const std::string& replyFile) {
    const std::string url = serverBase + "getLastVer.php?id=" + installationId;
    DeleteFileA(replyFile.c_str());
    download::HttpBody reply = download::FetchSmallBody(url, MaxReplySize, SmallReplyDeadline);
    // Silence here would hide every update from the user for good.
    if (reply.status == 407) throw EProxyRefused(reply.error);
    if (reply.ok) {
        try {
            WriteWholeFile(replyFile, reply.body);
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

namespace {

constexpr const char* RecordKey = "Quillora\\Diverse";
constexpr const char* RecordValue = "VersiuneStructura";

}  // namespace

VersionRecord ReadVersionRecord() {
    return ReadVersionRecord(ProgramFolder() + VersionFile);
}

VersionRecord ReadVersionRecord(const std::string& versionFile) {
    VersionRecord record;
    if (tk::FileExists(versionFile)) {
        try {
            record.File = FirstLine(ReadWholeFile(versionFile, MaxReplySize));
        } catch (const EInOutError&) {
        }
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RecordKey, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        tk::TRegKey key(opened);
        char text[256] = {};
        DWORD size = sizeof text - 1, type = 0;
        if (RegQueryValueExA(key.Get(), RecordValue, nullptr, &type, reinterpret_cast<BYTE*>(text),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            record.Registry = std::string(text, strnlen(text, size));
    }
    return record;
}

bool RecordInstalledVersion(const std::string& executablePath) {
    return RecordInstalledVersion(executablePath, ProgramFolder() + VersionFile);
}

bool RecordInstalledVersion(const std::string& executablePath, const std::string& versionFile) {
    const std::string text = VersionText(executablePath);
    if (text.empty()) return false;
    ReplaceWholeFile(versionFile, text + "\r\n");

    HKEY opened = nullptr;
    tk::TRegKey quillora;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Quillora", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &opened, nullptr) == ERROR_SUCCESS)
        quillora.Reset(opened);
    // Without the product key the subkey goes under the hive's root instead.
    HKEY parent = quillora ? quillora.Get() : HKEY_CURRENT_USER;
    constexpr const char* subkey = "Diverse";
    constexpr const char* value = RecordValue;
    HKEY created = nullptr;
    if (RegCreateKeyExA(parent, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        throw ERegistryException(std::string("Failed to create key ") + subkey);
    tk::TRegKey diverse(created);
    if (RegSetValueExA(diverse.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(std::string("Failed to set data for '") + value + "'");
    // Written through now rather than by the lazy flusher: a cut then finds the two halves
    // of the record alike.
    RegFlushKey(diverse.Get());
    // Only an updater that checks releases keeps the mark that no release may go below.
    if (HasUpdateKeys()) NoteRecordedVersion(text);
    return true;
}

}  // namespace quill::update
