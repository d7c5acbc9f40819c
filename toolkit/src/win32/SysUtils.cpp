#include "toolkit/SysUtils.h"

#include "toolkit/Exception.h"

namespace tk {

std::string SystemMessageText(DWORD error) {
    const bool fromWinInet = error >= 12000 && error <= 12999;
    HMODULE wininet = fromWinInet ? GetModuleHandleA("wininet.dll") : nullptr;
    const DWORD source = wininet ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS,
                       wininet, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

std::string SystemErrorText(DWORD error) {
    std::string text = SystemMessageText(error);
    return text.empty() ? "Error " + std::to_string(error) + "." : text;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TFileHandle OpenFileForReading(const std::string& path, DWORD flags) {
    return TFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, flags, nullptr));
}

TFileHandle CreateFileForWriting(const std::string& path, bool alsoRead) {
    const DWORD access = alsoRead ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
    return TFileHandle(CreateFileA(path.c_str(), access, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

void RaiseFileError(const std::string& action, const std::string& path, DWORD error) {
    const std::string reason = SystemMessageText(error);
    throw EInOutError("Cannot " + action + " file \"" + path + "\". " +
                      (reason.empty() ? "error " + std::to_string(error) : reason));
}

std::string ReadWholeFile(const std::string& path, size_t limit) {
    TFileHandle file = OpenFileForReading(path);
    if (!file) RaiseFileError("open", path, GetLastError());
    std::string content(limit, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), content.data(), static_cast<DWORD>(limit), &got, nullptr))
        RaiseFileError("read", path, GetLastError());
    content.resize(got);
    return content;
}

void WriteWholeFile(const std::string& path, std::string_view content) {
    TFileHandle file = CreateFileForWriting(path);
    if (!file) RaiseFileError("create", path, GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                   nullptr) ||
        written != content.size())
        RaiseFileError("write", path, GetLastError());
}

void ReplaceWholeFile(const std::string& path, std::string_view content) {
    const std::string staged = path + ".tmp";
    try {
        {
            TFileHandle file = CreateFileForWriting(staged);
            if (!file) RaiseFileError("create", staged, GetLastError());
            DWORD written = 0;
            if (!WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()),
                           &written, nullptr) ||
                written != content.size() || !FlushFileBuffers(file.Get()))
                RaiseFileError("write", staged, GetLastError());
        }
        if (!MoveFileExA(staged.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            RaiseFileError("replace", path, GetLastError());
    } catch (...) {
        DeleteFileA(staged.c_str());
        throw;
    }
}

std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: the name is longer than the buffer
    }
}

std::span<const std::uint8_t> ProgramResource(int id) {
    HMODULE program = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(program, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(program, found)};
}

}  // namespace tk
