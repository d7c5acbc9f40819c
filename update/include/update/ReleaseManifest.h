#pragma once
// The signed release manifest that the update server offers beside the archive
// (UpdateQl.zip.manifest), and the judgement of a manifest against what this installation
// knows. Platform-neutral: the signature itself is checked with the platform's crypto.
//
// The text, LF line ends, the lines in this order and nothing else:
//   quillora-release-manifest 1
//   product: Quillora
//   version: 2.0.0.0
//   size: 1234567
//   sha256: <64 lower-case hex digits>
//   expires: 2027-01-08T07:30:00Z
//   signature: <base64 of RSA PKCS#1 v1.5 over SHA-256 of every byte before this line>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/UpdateDecision.h"

namespace quill::update {

inline constexpr const char* ProductName = "Quillora";
inline constexpr const char* ManifestSuffix = ".manifest";
// A manifest is a few hundred bytes; anything far larger is none.
inline constexpr size_t MaxManifestSize = 8 * 1024;
// The archive sizes the download can carry.
inline constexpr uint64_t MaxArchiveSize = 0x7FFFFFFF;

struct ReleaseManifest {
    std::string Product;
    FileVersion Version;
    uint64_t Size = 0;
    std::array<uint8_t, 32> Sha256{};
    int64_t Expires = 0;  // seconds since 1970-01-01 UTC
};

// A manifest read from its text: the fields, the exact bytes the signature covers and the
// signature's bytes (big-endian, as openssl writes them). Not yet verified.
struct SignedManifest {
    ReleaseManifest Manifest;
    std::string_view SignedBytes;  // points into the text given to ParseManifest
    std::string Signature;
};

// Empty unless the text follows the format above exactly.
std::optional<SignedManifest> ParseManifest(std::string_view text);

// "a.b.c.d", four decimal numbers of at most 65535; empty otherwise.
std::optional<FileVersion> ParseVersion(std::string_view text);
int CompareVersions(const FileVersion& a, const FileVersion& b);  // <0, 0, >0

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970-01-01 UTC; empty when not such a time.
std::optional<int64_t> ParseUtcTime(std::string_view text);

// Strict base64 (padding required, no white space); empty on any other character.
std::optional<std::string> DecodeBase64(std::string_view text);

// Why a manifest, or the archive it names, is refused.
enum class Refusal {
    None,
    Unavailable,  // no manifest could be fetched
    Unverified,   // malformed, or no built-in key verifies it
    OtherProduct,
    Expired,
    NotNewer,        // the version is the installed one
    Older,           // older than the installed version
    BelowHighest,    // older than a version this installation once recorded
    NotAnnounced,    // another version than the version reply announced
    ArchiveDiffers,  // size or SHA-256 of the downloaded archive
    ArchiveTooLong,  // the server sent more than the manifest's size
};

// What the installation knows when it judges a manifest that verified.
struct InstallationFacts {
    std::optional<FileVersion> Announced;  // from the version reply
    FileVersion Installed;
    std::optional<FileVersion> Highest;  // the highest version ever recorded here
    int64_t Now = 0;                     // seconds since 1970-01-01 UTC
};

// The first reason to refuse an update to a verified manifest, or Refusal::None.
Refusal JudgeManifest(const ReleaseManifest& manifest, const InstallationFacts& facts);

// With nothing new announced: a verified manifest that has expired, or that names an older
// version than the installed one, tells of a stale or replayed answer.
bool SuggestsFrozenServer(const ReleaseManifest& manifest, const FileVersion& installed,
                          int64_t now);

// The box told to the user for a refusal (Romanian).
std::string RefusalText(Refusal refusal);
inline constexpr const char* FrozenServerText =
    "Actualizarea nu a putut confirma cea mai noua versiune: serverul a trimis informatii "
    "expirate sau mai vechi decat versiunea instalata. Va rugam sa incercati mai tarziu sau "
    "sa va adresati furnizorului.";

}  // namespace quill::update
