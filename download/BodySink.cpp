#include "download/BodySink.h"

#include <windows.h>

#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

namespace quill::download {

namespace {

// The validator kept beside a partial file; empty when there is none or it cannot be read.
std::string ReadTag(const std::string& name) {
    constexpr size_t limit = 1024;
    try {
        std::string tag = tk::ReadWholeFile(name, limit);
        return tag.size() < limit ? tag : std::string();
    } catch (const tk::EInOutError&) {
        return {};
    }
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

TPartFile::~TPartFile() {
    if (FFile) WriteHeld();
}

bool TPartFile::WriteHeld() {
    DWORD written = 0;
    const bool ok =
        FHeld.empty() || (WriteFile(FFile.Get(), FHeld.data(), static_cast<DWORD>(FHeld.size()),
                                    &written, nullptr) &&
                          written == FHeld.size());
    FHeld.clear();
    return ok;
}

void TPartFile::Fail(const char* what, const std::string& name) const {
    tk::RaiseFileError(what, name, GetLastError());
}

void TPartFile::Restart(const std::string& validator) {
    const std::string part = PartName(FTarget);
    FHeld.clear();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(FFile.Get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(FFile.Get()))
        Fail("write", part);
    FSize = 0;
    FValidator = validator;
    const std::string tag = TagName(FTarget);
    DeleteFileA(tag.c_str());
    if (validator.empty()) return;
    // The tag is written before any byte it vouches for, so bytes never lack theirs.
    tk::WriteWholeFile(tag, validator);
}

void TPartFile::Append(const char* data, std::uint32_t count) {
    if (FHeld.size() + count > kWriteSize && !WriteHeld()) Fail("write", PartName(FTarget));
    if (FHeld.capacity() < kWriteSize) FHeld.reserve(kWriteSize);
    FHeld.insert(FHeld.end(), data, data + count);
    FSize += count;
}

void TPartFile::Complete() {
    const std::string part = PartName(FTarget);
    if (!WriteHeld() || !FlushFileBuffers(FFile.Get())) Fail("write", part);
    if (!CloseHandle(FFile.Release())) Fail("close", part);
    if (!MoveFileExA(part.c_str(), FTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail("create", FTarget);
    DeleteFileA(TagName(FTarget).c_str());
}

void TPartFile::Discard() {
    FHeld.clear();
    FFile.Reset();
    FSize = 0;
    FValidator.clear();
    DeleteFileA(PartName(FTarget).c_str());
    DeleteFileA(TagName(FTarget).c_str());
}

}  // namespace quill::download
