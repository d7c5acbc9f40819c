#include "CallbackBridge.h"

#include <cstring>

#include "CodePageText.h"

namespace zipengine {

using namespace zipengine_abi;

ZE_CallbackRecord CallbackBridge::record(ZE_Action action, std::int32_t arg1,
                                         const std::string* text, std::int64_t value) {
    ZE_CallbackRecord record;
    std::memset(&record, 0, sizeof record);
    record.actionReply = action;
    record.arg1 = arg1;
    // The component reads every text in the ANSI code page; the core's texts are UTF-8.
    text_ = text ? ansiFromUtf8(*text) : std::string();
    record.text = text_.c_str();
    record.in.value = value;
    return record;
}

bool CallbackBridge::call(ZE_CallbackRecord& record) {
    return callback_(caller_, &record) != 0;
}

std::string CallbackBridge::replyText(const ZE_CallbackRecord& record) {
    return std::string(record.replyText, strnlen(record.replyText, kMaxReplyText));
}

bool CallbackBridge::sendAbortKey(std::int32_t key) {
    auto r = record(ZE_ActAbortKey, key, nullptr, 0);
    return call(r);
}

bool CallbackBridge::itemCount(std::int32_t count) {
    auto r = record(ZE_ActItemCount, count, nullptr, 0);
    return call(r);
}

bool CallbackBridge::totalSize(std::int64_t bytes) {
    auto r = record(ZE_ActTotalSize, 0, nullptr, bytes);
    return call(r);
}

bool CallbackBridge::newItem(const std::string& name, std::int64_t size) {
    auto r = record(ZE_ActNewItem, 0, &name, size);
    return call(r);
}

bool CallbackBridge::progress(std::int64_t bytes) {
    auto r = record(ZE_ActProgress, 0, nullptr, bytes);
    return call(r);
}

bool CallbackBridge::endOfBatch() {
    auto r = record(ZE_ActEndOfBatch, 0, nullptr, 0);
    return call(r);
}

bool CallbackBridge::message(ZE_ErrorCode code, const std::string& text) {
    auto r = record(ZE_ActMessage, code, &text, 0);
    return call(r);
}

bool CallbackBridge::skipped(const std::string& name, ZE_SkipReason reason, ZE_ErrorCode code) {
    auto r = record(ZE_ActSkipped, code, &name, 0);
    r.in.arg2 = reason + 1;  // the component reads the skip type as argument 2 minus 1
    return call(r);
}

PasswordAnswer CallbackBridge::askPassword(const std::string& name, std::int32_t repeatCount) {
    auto r = record(ZE_ActPassword, repeatCount, &name, 0);
    PasswordAnswer answer;
    // A stop request here counts as "no password": the run stops at the entry boundary anyway.
    if (call(r)) return answer;
    if (r.actionReply == ZE_ReplyYes) {
        answer.reply = ZE_ReplyYes;
        answer.password = replyText(r);
    } else if (r.actionReply == ZE_ReplyNoToAll) {
        answer.reply = ZE_ReplyNoToAll;
    }
    answer.repeatCount = r.arg1;
    return answer;
}

bool CallbackBridge::acceptCrcMismatch(const std::string& name, std::uint32_t found,
                                       std::uint32_t expected) {
    auto r = record(ZE_ActCrcError, static_cast<std::int32_t>(found), &name, 0);
    r.in.arg2 = static_cast<std::int32_t>(expected);
    bool stop = call(r);
    return !stop && r.actionReply == ZE_ReplyYes;
}

bool CallbackBridge::confirmOverwrite(const std::string& name, bool targetIsOlder,
                                      std::int32_t entryIndex) {
    auto r = record(ZE_ActOverwrite, 0, &name, 0);  // the default answer is "keep the file"
    r.in.arg2 = entryIndex;
    r.in.arg3 = targetIsOlder ? 1 : 2;
    bool stop = call(r);
    return !stop && r.actionReply == ZE_ReplyYes;
}

}  // namespace zipengine
