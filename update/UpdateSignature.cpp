#include "update/UpdateSignature.h"

#include <windows.h>

#include "update/SignatureCheck.h"
#include "update/utils.h"

namespace quill::update {

namespace {

// A signature is as long as its key: 512 bytes at 4096 bits. Anything far larger is none.
constexpr size_t MaxSignatureSize = 64 * 1024;

bool UpdateIsAuthentic(const std::string& archivePath, const std::string& signatureUrl) {
    if (*UpdatePublicKeys == '\0') return true;
    const auto signature = FetchFresh(signatureUrl, MaxSignatureSize);
    return signature && VerifyFileSignature(UpdatePublicKeys, archivePath, *signature);
}

}  // namespace

void RequireAuthenticUpdate(const std::string& archivePath, const std::string& signatureUrl) {
    if (UpdateIsAuthentic(archivePath, signatureUrl)) return;
    DeleteFileA(archivePath.c_str());
    throw EUpdateRefused("a fost refuzata deoarece nu a putut fi verificata.");
}

}  // namespace quill::update
