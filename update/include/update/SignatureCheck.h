#pragma once
// Detached signatures as `openssl dgst -sha256 -sign key.pem` writes them (RSA,
// PKCS#1 v1.5 over SHA-256), checked with the platform's CryptoAPI.

#include <string>
#include <string_view>

namespace quill::update {

// RSA keys shorter than this are not trusted.
inline constexpr unsigned MinimumKeyBits = 3072;

// True when one of the RSA keys in pemKeys ("PUBLIC KEY" blocks holding a
// SubjectPublicKeyInfo, as `openssl pkey -pubout` writes them) that has at least
// MinimumKeyBits verifies signature over the bytes of the file at path. Keys that cannot
// be read, are not RSA or are too short are skipped; an unreadable file is not verified.
bool VerifyFileSignature(std::string_view pemKeys, const std::string& path,
                         std::string_view signature);

}  // namespace quill::update
