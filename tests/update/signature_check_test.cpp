// Detached signatures made by openssl, checked with CryptoAPI: keys and signatures made
// for this build by make_signing_keys.sh (folder in QUILL_SIGNING_KEYS).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

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
    const std::string data = Fixture("data.bin");
    const std::string builtIn = Read("builtin.pub.pem");
    const std::string signature = Read("data.bin.sig");
};

TEST_F(SignatureCheck, EitherBuiltInKeyVerifiesItsSignature) {
    EXPECT_TRUE(VerifyFileSignature(builtIn, data, signature));
    EXPECT_TRUE(VerifyFileSignature(builtIn, data, Read("data.bin.previous.sig")));
    EXPECT_TRUE(VerifyFileSignature(Read("current.pub.pem"), data, signature));
}

TEST_F(SignatureCheck, AKeyThatIsNotBuiltInIsRefused) {
    EXPECT_FALSE(VerifyFileSignature(builtIn, data, Read("data.bin.stranger.sig")));
    EXPECT_FALSE(VerifyFileSignature(Read("previous.pub.pem"), data, signature));
}

TEST_F(SignatureCheck, DamagedSignaturesAreRefused) {
    std::string flipped = signature;
    flipped[100] ^= 0x01;
    EXPECT_FALSE(VerifyFileSignature(builtIn, data, flipped));
    EXPECT_FALSE(VerifyFileSignature(builtIn, data, signature.substr(0, signature.size() - 1)));
    EXPECT_FALSE(VerifyFileSignature(builtIn, data, signature + '\0'));
    EXPECT_FALSE(VerifyFileSignature(builtIn, data, ""));
    // openssl's big-endian bytes as they are: CryptoAPI must be given them reversed.
    EXPECT_FALSE(
        VerifyFileSignature(builtIn, data, std::string(signature.rbegin(), signature.rend())));
}

TEST_F(SignatureCheck, OtherBytesThanTheSignedOnesAreRefused) {
    const fs::path copy = fs::temp_directory_path() / "quill-signature-other.bin";
    std::string other = testenv::ReadFile(data);
    other[other.size() - 1] ^= 0x80;  // the last byte: past the verifier's first reads
    testenv::WriteFile(copy.string(), other);
    EXPECT_FALSE(VerifyFileSignature(builtIn, copy.string(), signature));
    testenv::WriteFile(copy.string(), other.substr(0, other.size() - 1));
    EXPECT_FALSE(VerifyFileSignature(builtIn, copy.string(), signature));
    fs::remove(copy);
    EXPECT_FALSE(VerifyFileSignature(builtIn, copy.string(), signature));
}

TEST_F(SignatureCheck, ShortNonRsaAndUnreadableKeysAreNotTrusted) {
    const std::string weak = Read("weak.pub.pem");
    EXPECT_FALSE(VerifyFileSignature(weak, data, Read("data.bin.weak.sig")));
    EXPECT_FALSE(VerifyFileSignature(Read("ec.pub.pem"), data, Read("data.bin.ec.sig")));
    EXPECT_FALSE(VerifyFileSignature("", data, signature));
    // Keys that cannot be used do not stop a good one after them from verifying.
    const std::string garbage =
        "-----BEGIN PUBLIC KEY-----\nnot base64 !!\n-----END PUBLIC KEY-----\n";
    EXPECT_TRUE(
        VerifyFileSignature(garbage + weak + Read("ec.pub.pem") + builtIn, data, signature));
}

}  // namespace
