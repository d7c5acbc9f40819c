// What the engine tells its caller during an extraction, and what it asks.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ZipEngineAbi.h"

namespace zipengine {

struct PasswordAnswer {
    zipengine_abi::ZE_Reply reply = zipengine_abi::ZE_ReplyNo;  // Yes: use `password`
    std::string password;
    std::int32_t repeatCount = 0;  // requests still allowed for this entry, this one included
};

// Names and texts are UTF-8. Every report returns true when the caller asks to stop; the engine
// then stops at the next entry boundary. The defaults ignore reports and decline every question.
class ExtractHost {
public:
    virtual ~ExtractHost() = default;

    virtual bool itemCount(std::int32_t count) { return false; }
    virtual bool totalSize(std::int64_t bytes) { return false; }
    virtual bool newItem(const std::string& name, std::int64_t size) { return false; }
    virtual bool progress(std::int64_t bytes) { return false; }
    virtual bool endOfBatch() { return false; }
    virtual bool message(zipengine_abi::ZE_ErrorCode code, const std::string& text) {
        return false;
    }
    virtual bool skipped(const std::string& name, zipengine_abi::ZE_SkipReason reason,
                         zipengine_abi::ZE_ErrorCode code) {
        return false;
    }
    virtual PasswordAnswer askPassword(const std::string& name, std::int32_t repeatCount) {
        return {};
    }
    // true: keep the entry although its CRC differs (the default refuses it).
    virtual bool acceptCrcMismatch(const std::string& name, std::uint32_t found,
                                   std::uint32_t expected) {
        return false;
    }
    // Asked when overwriting is off and the target exists. `targetIsOlder`: the file on disk
    // is older than the entry.
    virtual bool confirmOverwrite(const std::string& name, bool targetIsOlder,
                                  std::int32_t entryIndex) {
        return false;
    }
};

}  // namespace zipengine
