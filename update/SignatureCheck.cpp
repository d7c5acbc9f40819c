#include "update/SignatureCheck.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "update/PemBlocks.h"
#include "toolkit/Handles.h"

namespace quill::update {

namespace {

struct ProviderTraits {
    static HCRYPTPROV Invalid() { return 0; }
    static void Close(HCRYPTPROV p) { CryptReleaseContext(p, 0); }
};
struct KeyTraits {
    static HCRYPTKEY Invalid() { return 0; }
    static void Close(HCRYPTKEY k) { CryptDestroyKey(k); }
};
struct HashTraits {
    static HCRYPTHASH Invalid() { return 0; }
    static void Close(HCRYPTHASH h) { CryptDestroyHash(h); }
};
using Provider = tk::TUniqueHandle<HCRYPTPROV, ProviderTraits>;
using Key = tk::TUniqueHandle<HCRYPTKEY, KeyTraits>;
using Hash = tk::TUniqueHandle<HCRYPTHASH, HashTraits>;

struct LocalCloser {
    void operator()(void* p) const { LocalFree(p); }
};

// A context without stored key containers: only public keys and hashes are used.
Provider OpenProvider() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return Provider();
    return Provider(provider);
}

// The RSA key of one PEM block, with its length in bits; empty when the block holds no
// RSA SubjectPublicKeyInfo.
std::optional<std::pair<Key, DWORD>> ImportKey(HCRYPTPROV provider, std::string_view pem) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.data(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr))
        return std::nullopt;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.data(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                              &size, nullptr, nullptr))
        return std::nullopt;

    CERT_PUBLIC_KEY_INFO* decoded = nullptr;
    DWORD decodedSize = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(), size,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &decodedSize))
        return std::nullopt;
    std::unique_ptr<CERT_PUBLIC_KEY_INFO, LocalCloser> info(decoded);
    if (!info->Algorithm.pszObjId || std::strcmp(info->Algorithm.pszObjId, szOID_RSA_RSA) != 0)
        return std::nullopt;

    HCRYPTKEY key = 0;
    if (!CryptImportPublicKeyInfoEx(provider, X509_ASN_ENCODING, info.get(), CALG_RSA_SIGN, 0,
                                    nullptr, &key))
        return std::nullopt;
    Key owned(key);
    DWORD bits = 0, bitsSize = sizeof bits;
    if (!CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &bitsSize, 0))
        return std::nullopt;
    return std::make_pair(std::move(owned), bits);
}

Hash NewSha256(HCRYPTPROV provider) {
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) return Hash();
    return Hash(hash);
}

}  // namespace

bool VerifySignature(std::string_view pemKeys, std::string_view data, std::string_view signature) {
    const Provider provider = OpenProvider();
    if (!provider) return false;
    std::vector<Key> keys;
    for (std::string_view block : PemBlocks(pemKeys, "PUBLIC KEY")) {
        auto key = ImportKey(provider.Get(), block);
        // The signature is exactly as long as the key's modulus.
        if (key && key->second >= MinimumKeyBits && signature.size() == (key->second + 7) / 8)
            keys.push_back(std::move(key->first));
    }
    if (keys.empty()) return false;

    const Hash hash = NewSha256(provider.Get());
    if (!hash || !CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(data.data()),
                                DWORD(data.size()), 0))
        return false;
    // openssl writes the signature big-endian; CryptoAPI reads it little-endian.
    std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
    return std::any_of(keys.begin(), keys.end(), [&](const Key& key) {
        return CryptVerifySignatureA(hash.Get(), reversed.data(), DWORD(reversed.size()), key.Get(),
                                     nullptr, 0) != FALSE;
    });
}

std::optional<FileDigest> DigestOpenFile(void* file) {
    const Provider provider = OpenProvider();
    const Hash hash = provider ? NewSha256(provider.Get()) : Hash();
    if (!hash) return std::nullopt;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    FileDigest digest;
    std::vector<BYTE> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), DWORD(buffer.size()), &got, nullptr))
            return std::nullopt;
        if (got == 0) break;
        if (!CryptHashData(hash.Get(), buffer.data(), got, 0)) return std::nullopt;
        digest.Size += got;
    }
    DWORD length = DWORD(digest.Sha256.size());
    if (!CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.Sha256.data(), &length, 0) ||
        length != digest.Sha256.size())
        return std::nullopt;
    return digest;
}

}  // namespace quill::update
