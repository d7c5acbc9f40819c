// Where a download's body goes as it arrives: the memory stream (omStream), or a partial
// file beside the target that becomes the target once the body is whole (omFile).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "download/MemoryStream.h"
#include "toolkit/Handles.h"

namespace quill::download {

class TBodySink {
public:
    virtual ~TBodySink() = default;
    // The bytes kept so far: a new request asks for what follows them.
    virtual std::int64_t Size() const = 0;
    // What an If-Range may carry for the kept bytes (see ResumeValidator); empty when they
    // cannot be continued.
    virtual std::string Validator() const = 0;
    // Drops the kept bytes and remembers the validator of the body that starts now.
    virtual void Restart(const std::string& validator) = 0;
    // Adds bytes at the end. Raises tk::EInOutError.
    virtual void Append(const char* data, std::uint32_t count) = 0;
    // The body is whole. Raises tk::EInOutError.
    virtual void Complete() = 0;
    // The body was refused: nothing of it is kept for a later run.
    virtual void Discard() = 0;
};

class TMemorySink : public TBodySink {
public:
    explicit TMemorySink(TMemoryStream& stream) : FStream(stream) {}
    std::int64_t Size() const override { return FStream.Size(); }
    std::string Validator() const override { return FValidator; }
    void Restart(const std::string& validator) override;
    void Append(const char* data, std::uint32_t count) override;
    void Complete() override {}
    void Discard() override { Restart({}); }

private:
    TMemoryStream& FStream;  // not owned: the worker frame owns it
    std::string FValidator;
};

// `<target>.part`, with its validator in `<target>.part.tag`; both outlive a run that
// ends before the body is whole, so that the next run continues them.
class TPartFile : public TBodySink {
public:
    // Opens (or creates) the partial file. Raises tk::EInOutError.
    explicit TPartFile(std::string target);
    // Writes what is still held (a body cut on the way is continued from it); never raises.
    ~TPartFile() override;
    std::int64_t Size() const override { return FSize; }
    std::string Validator() const override { return FValidator; }
    void Restart(const std::string& validator) override;
    void Append(const char* data, std::uint32_t count) override;
    // Flushes the partial file, closes it and renames it to the target (replacing it).
    void Complete() override;
    // Closes and deletes the partial file and its validator; never raises.
    void Discard() override;

    static std::string PartName(const std::string& target) { return target + ".part"; }
    static std::string TagName(const std::string& target) { return target + ".part.tag"; }

private:
    [[noreturn]] void Fail(const char* what, const std::string& name) const;
    // Writes the bytes held in FHeld; whether all were written.
    bool WriteHeld();

    // Pieces are gathered into writes of this size: a write per piece costs a trip into
    // the system for every kilobyte.
    static constexpr std::size_t kWriteSize = 64 * 1024;

    std::string FTarget;
    tk::TFileHandle FFile;
    std::vector<char> FHeld;  // appended, not yet written
    std::int64_t FSize = 0;   // written and held
    std::string FValidator;
};

}  // namespace quill::download
