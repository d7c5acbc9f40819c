// Signatures made by openssl, checked with CryptoAPI, and digests of open files: keys and
// signatures made for this build by make_signing_keys.sh (folder in QUILL_SIGNING_KEYS).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "toolkit/Handles.h"
#include "update/SignatureCheck.h"
#include "test_environment.h"

using namespace quill::update;

namespace fs = std::filesystem;

namespace {

std::string Fixture(const std::string& name) {
    return testenv::WindowsPath(testenv::Get("QUILL_SIGNING_KEYS")) + "\\" + name;
}

std::string Read(const std::string& name) {
    const std::string content = testenv::ReadFile(Fixture(name));
    EXPECT_FALSE(content.empty()) << name << " is missing";
    return content;
}

class SignatureCheck : public ::testing::Test {
protected:
    const std::string data = Read("data.bin");
    const std::string builtIn = Read("builtin.pub.pem");
    const std::string signature = Read("data.bin.sig");
};

TEST_F(SignatureCheck, EitherBuiltInKeyVerifiesItsSignature) {
    EXPECT_TRUE(VerifySignature(builtIn, data, signature));
    EXPECT_TRUE(VerifySignature(builtIn, data, Read("data.bin.previous.sig")));
    EXPECT_TRUE(VerifySignature(Read("current.pub.pem"), data, signature));
}

TEST_F(SignatureCheck, AKeyThatIsNotBuiltInIsRefused) {
    EXPECT_FALSE(VerifySignature(builtIn, data, Read("data.bin.stranger.sig")));
    EXPECT_FALSE(VerifySignature(Read("previous.pub.pem"), data, signature));
}

TEST_F(SignatureCheck, DamagedSignaturesAreRefused) {
    std::string flipped = signature;
    flipped[100] ^= 0x01;
    EXPECT_FALSE(VerifySignature(builtIn, data, flipped));
    EXPECT_FALSE(VerifySignature(builtIn, data, signature.substr(0, signature.size() - 1)));
    EXPECT_FALSE(VerifySignature(builtIn, data, signature + '\0'));
    EXPECT_FALSE(VerifySignature(builtIn, data, ""));
    // openssl's big-endian bytes as they are: CryptoAPI must be given them reversed.
    EXPECT_FALSE(VerifySignature(builtIn, data, std::string(signature.rbegin(), signature.rend())));
}

TEST_F(SignatureCheck, OtherBytesThanTheSignedOnesAreRefused) {
    std::string other = data;
    other[other.size() - 1] ^= 0x80;
    EXPECT_FALSE(VerifySignature(builtIn, other, signature));
    EXPECT_FALSE(VerifySignature(builtIn, data.substr(0, data.size() - 1), signature));
    EXPECT_FALSE(VerifySignature(builtIn, data + '\n', signature));
}

TEST(FileDigest, CoversEveryByteFromTheStartWhereverTheFileWasRead) {
    const fs::path path = fs::temp_directory_path() / "quill-digest.bin";
    testenv::WriteFile(path.string(), std::string(150000, 'q'));
    const tk::TFileHandle file(CreateFileA(path.string().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    char skipped[10];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(file.Get(), skipped, sizeof skipped, &got, nullptr));
    const auto digest = DigestOpenFile(file.Get());
    ASSERT_TRUE(digest);
    EXPECT_EQ(digest->Size, 150000u);
    std::string hex;
    for (uint8_t byte : digest->Sha256)
        hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
    EXPECT_EQ(
        hex,
        "8631f2ba3a5c5dd8d5268a08e4911264c44c6f2fccd37ebedcb8d0cccfbb5485");  // python3:
                                                                              // hashlib.sha256(b"q"
                                                                              // * 150000)
    // Held open for reading only, it keeps writers out.
    EXPECT_EQ(CreateFileA(path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST_F(SignatureCheck, ShortNonRsaAndUnreadableKeysAreNotTrusted) {
    const std::string weak = Read("weak.pub.pem");
    EXPECT_FALSE(VerifySignature(weak, data, Read("data.bin.weak.sig")));
    EXPECT_FALSE(VerifySignature(Read("ec.pub.pem"), data, Read("data.bin.ec.sig")));
    EXPECT_FALSE(VerifySignature("", data, signature));
    // Keys that cannot be used do not stop a good one after them from verifying.
    const std::string garbage =
        "-----BEGIN PUBLIC KEY-----\nnot base64 !!\n-----END PUBLIC KEY-----\n";
    EXPECT_TRUE(VerifySignature(garbage + weak + Read("ec.pub.pem") + builtIn, data, signature));
}

}  // namespace
