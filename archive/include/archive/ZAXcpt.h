// The archive component's exception: a message text, the message id it came from and whether
// it is to be shown to the user when presented. One of the house's errors (tk::Exception), so
// one handler catches it with the others.
#pragma once

#include <string>

#include "archive/ZAMsgStr.h"
#include "toolkit/Exception.h"

namespace quill::archive {

class EZipArchiver : public tk::Exception {
public:
    EZipArchiver(std::string message, bool displayed, int messageId)
        : tk::Exception(message),
          Message(std::move(message)),
          Displayed(displayed),
          MessageId(messageId) {}

    static EZipArchiver CreateText(const std::string& text, bool displayed);
    static EZipArchiver CreateId(int id, bool displayed);
    static EZipArchiver CreateIdInt(int id, int64_t number);
    static EZipArchiver CreateIdStr(int id, const std::string& text);
    static EZipArchiver CreateIdArgs(int id, const ZAFmtArgs& args);
    // The text of `id` followed by "%s", formatted with `text` and the OS error suffix.
    static EZipArchiver CreateIdOsError(int id, int osError, const std::string& text);

    const char* what() const noexcept override { return Message.c_str(); }

    // May be extended by the catcher before it is presented; what() follows it.
    std::string Message;
    bool Displayed;
    int MessageId;  // 0 for an exception made from a literal text
};

// " <%X:%s>" with the code and the system's text for it; empty for codes below 1.
std::string OsErrorSuffix(int osError);

}  // namespace quill::archive
