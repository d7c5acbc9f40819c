// Turns the core's reports and questions into calls of the component's callback function.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ExtractHost.h"
#include "engine/ZipEngineAbi.h"

namespace zipengine {

class CallbackBridge final : public ExtractHost {
public:
    CallbackBridge(zipengine_abi::ZE_CallbackFunc callback, void* caller)
        : callback_(callback), caller_(caller) {}

    bool sendAbortKey(std::int32_t key);

    bool itemCount(std::int32_t count) override;
    bool totalSize(std::int64_t bytes) override;
    bool newItem(const std::string& name, std::int64_t size) override;
    bool progress(std::int64_t bytes) override;
    bool endOfBatch() override;
    bool message(zipengine_abi::ZE_ErrorCode code, const std::string& text) override;
    bool skipped(const std::string& name, zipengine_abi::ZE_SkipReason reason,
                 zipengine_abi::ZE_ErrorCode code) override;
    PasswordAnswer askPassword(const std::string& name, std::int32_t repeatCount) override;
    bool acceptCrcMismatch(const std::string& name, std::uint32_t found,
                           std::uint32_t expected) override;
    bool confirmOverwrite(const std::string& name, bool targetIsOlder,
                          std::int32_t entryIndex) override;

private:
    // A zeroed record with the action and the first argument, the text (in ANSI, valid until
    // the next record is made) and the value set.
    zipengine_abi::ZE_CallbackRecord record(zipengine_abi::ZE_Action action, std::int32_t arg1,
                                            const std::string* text, std::int64_t value);
    // Calls the component; true when it asks to stop.
    bool call(zipengine_abi::ZE_CallbackRecord& record);
    static std::string replyText(const zipengine_abi::ZE_CallbackRecord& record);

    zipengine_abi::ZE_CallbackFunc callback_;
    void* caller_;  // the component's worker, handed back untouched
    std::string text_;
};

}  // namespace zipengine
