// Traditional PKWARE encryption ("ZipCrypto"), decrypting side.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zipengine {

inline constexpr std::size_t kEncryptionHeaderSize = 12;

class ZipCryptoDecryptor {
public:
    explicit ZipCryptoDecryptor(std::string_view password);

    void decrypt(std::span<std::uint8_t> bytes);

    // Decrypts the 12-byte header and compares its last byte with the expected check byte.
    bool acceptsHeader(std::span<const std::uint8_t, kEncryptionHeaderSize> header,
                       std::uint8_t checkByte);

private:
    void updateKeys(std::uint8_t plain);

    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

}  // namespace zipengine
