#include "download/BodySink.h"

#include <windows.h>

#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

namespace quill::download {

namespace {

// The validator kept beside a partial file; empty when there is none or it cannot be read.
std::string ReadTag(const std::string& name) {
    tk::TFileHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    char text[1024];
    DWORD got = 0;
    if (!ReadFile(file.Get(), text, sizeof text, &got, nullptr) || got == sizeof text) return {};
    return std::string(text, got);
}

}  // namespace

void TMemorySink::Restart(const std::string& validator) {
    FStream = TMemoryStream();
    FValidator = validator;
}

void TMemorySink::Append(const char* data, std::uint32_t count) {
    FStream.Write(data, count);
}

TPartFile::TPartFile(std::string target) : FTarget(std::move(target)) {
    const std::string part = PartName(FTarget);
    FFile.Reset(CreateFileA(part.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!FFile) Fail("create", part);
    FValidator = ReadTag(TagName(FTarget));
    LARGE_INTEGER size{};
    // Bytes without the validator they came with cannot be continued: they are dropped.
    if (FValidator.empty() || !GetFileSizeEx(FFile.Get(), &size)) {
        Restart({});
        return;
    }
    FSize = size.QuadPart;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(FFile.Get(), end, nullptr, FILE_END)) Fail("write", part);
}

void TPartFile::Fail(const char* what, const std::string& name) const {
    const DWORD error = GetLastError();
    throw tk::EOSError("Cannot " + std::string(what) + " the downloaded file \"" + name +
                           "\": " + tk::SystemErrorText(error),
                       error);
}

void TPartFile::Restart(const std::string& validator) {
    const std::string part = PartName(FTarget);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(FFile.Get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(FFile.Get()))
        Fail("write", part);
    FSize = 0;
    FValidator = validator;
    const std::string tag = TagName(FTarget);
    DeleteFileA(tag.c_str());
    if (validator.empty()) return;
    // The tag is written before any byte it vouches for, so bytes never lack theirs.
    tk::TFileHandle file(CreateFileA(tag.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.Get(), validator.data(), static_cast<DWORD>(validator.size()), &written,
                   nullptr) ||
        written != validator.size())
        Fail("write", tag);
}

void TPartFile::Append(const char* data, std::uint32_t count) {
    DWORD written = 0;
    if (!WriteFile(FFile.Get(), data, count, &written, nullptr) || written != count)
        Fail("write", PartName(FTarget));
    FSize += count;
}

void TPartFile::Complete() {
    const std::string part = PartName(FTarget);
    if (!FlushFileBuffers(FFile.Get())) Fail("write", part);
    if (!CloseHandle(FFile.Release())) Fail("close", part);
    if (!MoveFileExA(part.c_str(), FTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail("create", FTarget);
    DeleteFileA(TagName(FTarget).c_str());
}

void TPartFile::Discard() {
    FFile.Reset();
    FSize = 0;
    FValidator.clear();
    DeleteFileA(PartName(FTarget).c_str());
    DeleteFileA(TagName(FTarget).c_str());
}

}  // namespace quill::download
