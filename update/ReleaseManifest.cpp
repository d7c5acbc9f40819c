#include "update/ReleaseManifest.h"

#include <tuple>

namespace quill::update {

namespace {

constexpr std::string_view Header = "quillora-release-manifest 1\n";
constexpr std::string_view SignatureKey = "signature: ";

// The value of the line "<key>: <value>\n" at `at`; moves `at` past the line.
std::optional<std::string_view> TakeLine(std::string_view text, size_t& at, std::string_view key) {
    const std::string_view rest = text.substr(at);
    if (rest.substr(0, key.size()) != key || rest.substr(key.size(), 2) != ": ")
        return std::nullopt;
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    at += end + 1;
    return rest.substr(key.size() + 2, end - key.size() - 2);
}

// Decimal digits only, no sign, no spaces, at most maxDigits of them.
std::optional<uint64_t> ParseNumber(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

std::optional<std::array<uint8_t, 32>> ParseSha256(std::string_view text) {
    if (text.size() != 64) return std::nullopt;
    std::array<uint8_t, 32> digest{};
    for (size_t i = 0; i < 64; ++i) {
        const char c = text[i];
        int nibble;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else
            return std::nullopt;
        digest[i / 2] = uint8_t(digest[i / 2] << 4 | nibble);
    }
    return digest;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<FileVersion> ParseVersion(std::string_view text) {
    unsigned short parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const size_t dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const auto number = ParseNumber(text.substr(0, dot), 5);
        if (!number || *number > 0xFFFF) return std::nullopt;
        parts[i] = static_cast<unsigned short>(*number);
        text.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    return FileVersion{parts[0], parts[1], parts[2], parts[3]};
}

int CompareVersions(const FileVersion& a, const FileVersion& b) {
    const auto key = [](const FileVersion& v) {
        return std::make_tuple(v.Major, v.Minor, v.Release, v.Build);
    };
    return key(a) < key(b) ? -1 : key(b) < key(a) ? 1 : 0;
}

std::optional<int64_t> ParseUtcTime(std::string_view t) {
    if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || t[19] != 'Z')
        return std::nullopt;
    const auto y = ParseNumber(t.substr(0, 4), 4), mo = ParseNumber(t.substr(5, 2), 2),
               d = ParseNumber(t.substr(8, 2), 2), h = ParseNumber(t.substr(11, 2), 2),
               mi = ParseNumber(t.substr(14, 2), 2), s = ParseNumber(t.substr(17, 2), 2);
    if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
    if (*mo < 1 || *mo > 12 || *d < 1 || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;
    static constexpr unsigned monthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (*y % 4 == 0 && *y % 100 != 0) || *y % 400 == 0;
    if (*d > monthDays[*mo - 1] || (*mo == 2 && *d == 29 && !leap)) return std::nullopt;
    return DaysFromCivil(int64_t(*y), unsigned(*mo), unsigned(*d)) * 86400 +
           int64_t(*h * 3600 + *mi * 60 + *s);
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            // Padding only at the very end, and only in the last two places.
            if (c == '=' && last && k >= 2 && (k == 3 || text[i + 3] == '=')) {
                v[k] = 0;
                ++padding;
                continue;
            }
            if ((v[k] = Base64Value(c)) < 0 || padding) return std::nullopt;
        }
        const uint32_t bits =
            uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
        // Bits that the padding drops must be zero: one text per byte string.
        if ((padding == 1 && (bits & 0xFF)) || (padding == 2 && (bits & 0xFFFF)))
            return std::nullopt;
        out.push_back(char(bits >> 16));
        if (padding < 2) out.push_back(char(bits >> 8 & 0xFF));
        if (padding < 1) out.push_back(char(bits & 0xFF));
    }
    return out;
}

std::optional<SignedManifest> ParseManifest(std::string_view text) {
    if (text.size() > MaxManifestSize || text.substr(0, Header.size()) != Header)
        return std::nullopt;
    size_t at = Header.size();
    const auto product = TakeLine(text, at, "product");
    const auto version = TakeLine(text, at, "version");
    const auto size = TakeLine(text, at, "size");
    const auto sha256 = TakeLine(text, at, "sha256");
    const auto expires = TakeLine(text, at, "expires");
    if (!product || !version || !size || !sha256 || !expires) return std::nullopt;

    SignedManifest signedManifest;
    signedManifest.SignedBytes = text.substr(0, at);
    // The signature line ends the text, with or without its line end.
    std::string_view last = text.substr(at);
    if (last.substr(0, SignatureKey.size()) != SignatureKey) return std::nullopt;
    last.remove_prefix(SignatureKey.size());
    if (!last.empty() && last.back() == '\n') last.remove_suffix(1);
    auto signature = DecodeBase64(last);

    ReleaseManifest& m = signedManifest.Manifest;
    const auto parsedVersion = ParseVersion(*version);
    const auto parsedSize = ParseNumber(*size, 10);
    const auto parsedSha = ParseSha256(*sha256);
    const auto parsedExpiry = ParseUtcTime(*expires);
    if (!signature || product->empty() || !parsedVersion || !parsedSize || *parsedSize == 0 ||
        *parsedSize > MaxArchiveSize || !parsedSha || !parsedExpiry)
        return std::nullopt;
    for (char c : *product)
        if (c < 0x21 || c > 0x7E) return std::nullopt;
    m.Product = std::string(*product);
    m.Version = *parsedVersion;
    m.Size = *parsedSize;
    m.Sha256 = *parsedSha;
    m.Expires = *parsedExpiry;
    signedManifest.Signature = std::move(*signature);
    return signedManifest;
}

Refusal JudgeManifest(const ReleaseManifest& manifest, const InstallationFacts& facts) {
    if (manifest.Product != ProductName) return Refusal::OtherProduct;
    if (facts.Now >= manifest.Expires) return Refusal::Expired;
    const int installed = CompareVersions(manifest.Version, facts.Installed);
    if (installed < 0) return Refusal::Older;
    if (installed == 0) return Refusal::NotNewer;
    if (facts.Highest && CompareVersions(manifest.Version, *facts.Highest) < 0)
        return Refusal::BelowHighest;
    if (!facts.Announced || CompareVersions(manifest.Version, *facts.Announced) != 0)
        return Refusal::NotAnnounced;
    return Refusal::None;
}

bool SuggestsFrozenServer(const ReleaseManifest& manifest, const FileVersion& installed,
                          int64_t now) {
    return manifest.Product == ProductName &&
           (now >= manifest.Expires || CompareVersions(manifest.Version, installed) < 0);
}

std::string RefusalText(Refusal refusal) {
    const char* why = "";
    switch (refusal) {
        case Refusal::None:
            return {};
        case Refusal::Unavailable:
            why = "informatiile semnate despre actualizare nu au putut fi obtinute de la server.";
            break;
        case Refusal::Unverified:
            why = "informatiile despre actualizare nu poarta o semnatura valida a furnizorului.";
            break;
        case Refusal::OtherProduct:
            why = "informatiile despre actualizare sunt pentru alt produs.";
            break;
        case Refusal::Expired:
            why =
                "informatiile despre actualizare au expirat; serverul nu a putut confirma cea "
                "mai noua versiune.";
            break;
        case Refusal::NotNewer:
            why = "versiunea oferita este chiar cea instalata.";
            break;
        case Refusal::Older:
            why = "versiunea oferita este mai veche decat cea instalata.";
            break;
        case Refusal::BelowHighest:
            why = "versiunea oferita este mai veche decat una instalata anterior.";
            break;
        case Refusal::NotAnnounced:
            why = "versiunea semnata difera de cea anuntata de server.";
            break;
        case Refusal::ArchiveDiffers:
            why = "arhiva primita nu este cea semnata de furnizor.";
            break;
        case Refusal::ArchiveTooLong:
            why = "serverul a trimis mai mult decat marimea semnata a arhivei.";
            break;
    }
    return std::string("Actualizarea a fost refuzata: ") + why;
}

}  // namespace quill::update
