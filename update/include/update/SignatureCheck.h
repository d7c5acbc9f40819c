#pragma once
// Signatures as `openssl dgst -sha256 -sign key.pem` writes them (RSA, PKCS#1 v1.5 over
// SHA-256), and SHA-256 digests of files, with the platform's CryptoAPI.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quill::update {

// RSA keys shorter than this are not trusted.
inline constexpr unsigned MinimumKeyBits = 3072;

// True when one of the RSA keys in pemKeys ("PUBLIC KEY" blocks holding a
// SubjectPublicKeyInfo, as `openssl pkey -pubout` writes them) that has at least
// MinimumKeyBits verifies signature over exactly these bytes. Keys that cannot be read, are
// not RSA or are too short are skipped.
bool VerifySignature(std::string_view pemKeys, std::string_view data, std::string_view signature);

struct FileDigest {
    uint64_t Size = 0;
    std::array<uint8_t, 32> Sha256{};
};

// The size and SHA-256 of every byte of an open file (a Win32 HANDLE opened for reading),
// read from its start; empty when it cannot be read.
std::optional<FileDigest> DigestOpenFile(void* file);

}  // namespace quill::update
