#include "archive/ZAXcpt.h"

#include "archive/ZAMsgStrSys.h"

namespace quill::archive {

EZipArchiver EZipArchiver::CreateText(const std::string& text, bool displayed) {
    return EZipArchiver(text, displayed, 0);
}

EZipArchiver EZipArchiver::CreateId(int id, bool displayed) {
    return EZipArchiver(LoadZipText(id), displayed, id);
}

EZipArchiver EZipArchiver::CreateIdInt(int id, int64_t number) {
    return EZipArchiver(LoadZipTextFmt(id, {number}), true, id);
}

EZipArchiver EZipArchiver::CreateIdStr(int id, const std::string& text) {
    return EZipArchiver(LoadZipTextFmt(id, {text}), true, id);
}

EZipArchiver EZipArchiver::CreateIdArgs(int id, const ZAFmtArgs& args) {
    return EZipArchiver(LoadZipTextFmt(id, args), true, id);
}

EZipArchiver EZipArchiver::CreateIdOsError(int id, int osError, const std::string& text) {
    return EZipArchiver(ZAFormat(LoadZipText(id) + "%s", {text, OsErrorSuffix(osError)}), true, id);
}

std::string OsErrorSuffix(int osError) {
    if (osError < 1) return {};
    return ZAFormat(" <%X:%s>", {int64_t(osError), OsErrorText(osError)});
}

}  // namespace quill::archive
