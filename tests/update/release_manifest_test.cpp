// Reading a release manifest and judging it against what the installation knows.
#include <gtest/gtest.h>

#include <string>

#include "update/ReleaseManifest.h"

using namespace quill::update;

namespace {

const std::string Body =
    "quillora-release-manifest 1\n"
    "product: Quillora\n"
    "version: 2.0.0.0\n"
    "size: 1234567\n"
    "sha256: 00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff\n"
    "expires: 2027-01-08T07:30:00Z\n";
const std::string Text = Body + "signature: AAEC/w==\n";

// 2027-01-08T07:30:00Z
constexpr int64_t Expiry = 1799393400;

TEST(ReleaseManifest, ReadsEveryFieldAndTheExactSignedBytes) {
    const auto parsed = ParseManifest(Text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->SignedBytes, Body);
    EXPECT_EQ(parsed->Signature, std::string("\x00\x01\x02\xff", 4));
    const ReleaseManifest& m = parsed->Manifest;
    EXPECT_EQ(m.Product, "Quillora");
    EXPECT_EQ(FormatVersion(m.Version), "2.0.0.0");
    EXPECT_EQ(m.Size, 1234567u);
    EXPECT_EQ(m.Sha256[0], 0x00);
    EXPECT_EQ(m.Sha256[5], 0x55);
    EXPECT_EQ(m.Sha256[31], 0xff);
    EXPECT_EQ(m.Expires, Expiry);
    // The signature line may lack its line end.
    EXPECT_TRUE(ParseManifest(Text.substr(0, Text.size() - 1)));
}

TEST(ReleaseManifest, AnythingButTheExactFormatIsRefused) {
    const auto replaced = [](const std::string& from, const std::string& to) {
        std::string text = Text;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    for (const std::string& bad : {
             replaced("manifest 1", "manifest 2"),
             replaced("\n", "\r\n"),
             replaced("product: Quillora", "product: "),
             replaced("version: 2.0.0.0", "version: 2.0.0"),
             replaced("version: 2.0.0.0", "version: 2.0.0.65536"),
             replaced("size: 1234567", "size: 0"),
             replaced("size: 1234567", "size: 2147483648"),
             replaced("size: 1234567", "size: -1"),
             replaced("sha256: 00", "sha256: 0"),
             replaced("aabb", "AABB"),
             replaced("2027-01-08", "2027-02-29"),
             replaced("07:30:00Z", "07:30:00"),
             replaced("AAEC/w==", "AAEC/w="),
             replaced("AAEC/w==", "AAEC/x=="),  // bits under the padding
             replaced("AAEC/w==", ""),
             replaced("product", "vendor: X\nproduct"),
             replaced("size: 1234567\n", ""),
             Text + "extra\n",
             Body,
         })
        EXPECT_FALSE(ParseManifest(bad)) << bad;
}

TEST(ReleaseManifest, VersionsCompareAsFourNumbers) {
    const auto v = [](const char* text) { return *ParseVersion(text); };
    EXPECT_LT(CompareVersions(v("1.0.9.0"), v("1.0.10.0")), 0);
    EXPECT_GT(CompareVersions(v("2.0.0.0"), v("1.65535.65535.65535")), 0);
    EXPECT_EQ(CompareVersions(v("3.12.0.40000"), v("3.12.0.40000")), 0);
    for (const char* bad : {"", "1.0.0", "1.0.0.0.0", "1..0.0", "a.0.0.0", " 1.0.0.0", "1.0.0.+1"})
        EXPECT_FALSE(ParseVersion(bad)) << bad;
}

TEST(ReleaseManifest, UtcTimesCountFromTheEpoch) {
    EXPECT_EQ(ParseUtcTime("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(ParseUtcTime("2000-02-29T23:59:59Z"), 951868799);
    EXPECT_FALSE(ParseUtcTime("1900-02-29T00:00:00Z"));
    EXPECT_FALSE(ParseUtcTime("2026-13-01T00:00:00Z"));
    EXPECT_FALSE(ParseUtcTime("2026-12-01T24:00:00Z"));
}

TEST(ReleaseManifest, JudgementNamesTheFirstReasonToRefuse) {
    ReleaseManifest m = ParseManifest(Text)->Manifest;
    InstallationFacts facts{ParseVersion("2.0.0.0"), *ParseVersion("1.0.0.0"),
                            ParseVersion("1.5.0.0"), Expiry - 1};
    EXPECT_EQ(JudgeManifest(m, facts), Refusal::None);

    auto judged = [&](auto change) {
        ReleaseManifest copy = m;
        InstallationFacts f = facts;
        change(copy, f);
        return JudgeManifest(copy, f);
    };
    EXPECT_EQ(judged([](auto& c, auto&) { c.Product = "QuilloraPro"; }), Refusal::OtherProduct);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Now = Expiry; }), Refusal::Expired);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Installed = *ParseVersion("2.0.0.1"); }),
              Refusal::Older);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Installed = *ParseVersion("2.0.0.0"); }),
              Refusal::NotNewer);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Highest = ParseVersion("2.1.0.0"); }),
              Refusal::BelowHighest);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Highest = ParseVersion("2.0.0.0"); }), Refusal::None);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Announced = ParseVersion("9.9.9.9"); }),
              Refusal::NotAnnounced);
    EXPECT_EQ(judged([](auto&, auto& f) { f.Announced.reset(); }), Refusal::NotAnnounced);

    EXPECT_TRUE(SuggestsFrozenServer(m, *ParseVersion("1.0.0.0"), Expiry));
    EXPECT_TRUE(SuggestsFrozenServer(m, *ParseVersion("2.0.0.1"), Expiry - 1));
    EXPECT_FALSE(SuggestsFrozenServer(m, *ParseVersion("2.0.0.0"), Expiry - 1));
}

TEST(ReleaseManifest, EveryRefusalIsToldInItsOwnWords) {
    EXPECT_EQ(
        RefusalText(Refusal::Older),
        "Actualizarea a fost refuzata: versiunea oferita este mai veche decat cea instalata.");
    EXPECT_EQ(RefusalText(Refusal::None), "");
}

}  // namespace
