#include "engine/ZipCrypto.h"

#include <array>

namespace zipengine {

namespace {

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto kCrcTable = makeCrcTable();

inline std::uint32_t crcStep(std::uint32_t crc, std::uint8_t byte) {
    return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCryptoDecryptor::ZipCryptoDecryptor(std::string_view password) {
    for (char c : password) updateKeys(static_cast<std::uint8_t>(c));
}

inline void ZipCryptoDecryptor::updateKeys(std::uint8_t plain) {
    key0_ = crcStep(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = crcStep(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

void ZipCryptoDecryptor::decrypt(std::span<std::uint8_t> bytes) {
    // Keys in locals: the loop runs over every byte of a large archive.
    std::uint32_t k0 = key0_, k1 = key1_, k2 = key2_;
    for (std::uint8_t& byte : bytes) {
        std::uint32_t temp = (k2 | 2) & 0xFFFF;
        std::uint8_t plain = byte ^ static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
        byte = plain;
        k0 = crcStep(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = crcStep(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    key0_ = k0, key1_ = k1, key2_ = k2;
}

bool ZipCryptoDecryptor::acceptsHeader(std::span<const std::uint8_t, kEncryptionHeaderSize> header,
                                       std::uint8_t checkByte) {
    std::array<std::uint8_t, kEncryptionHeaderSize> plain;
    std::copy(header.begin(), header.end(), plain.begin());
    decrypt(plain);
    return plain.back() == checkByte;
}

}  // namespace zipengine
