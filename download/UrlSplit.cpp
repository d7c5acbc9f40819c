#include "download/UrlSplit.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace quill::download {

namespace {

std::string UpperCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// A decimal number with an optional sign, nothing else (no spaces, no hex).
template <typename Int>
std::optional<Int> ParseDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    Int value{};
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

}  // namespace

UrlParts SplitUrl(std::string_view url, std::string_view marker) {
    UrlParts parts;
    // Only a marker at the very start is the protocol: one met further on (say in a
    // query "?next=http://...") is part of the address and must not cost the host
    // its first characters.
    if (!marker.empty() && UpperCase(url.substr(0, marker.size())) == UpperCase(marker))
        url.remove_prefix(marker.size());

    std::string_view host = url;
    if (auto slash = url.find('/'); slash != std::string_view::npos) {
        host = url.substr(0, slash);
        parts.Path = url.substr(slash + 1);
    }
    if (auto at = host.find('@'); at != std::string_view::npos) {
        std::string_view user = host.substr(0, at);
        host.remove_prefix(at + 1);
        if (auto colon = user.find(':'); colon != std::string_view::npos) {
            parts.Password = user.substr(colon + 1);
            user = user.substr(0, colon);
        }
        parts.UserName = user;
    }
    if (auto colon = host.find(':'); colon != std::string_view::npos) {
        parts.Port = ParsePort(host.substr(colon + 1)).value_or(0);
        host = host.substr(0, colon);
    }
    parts.Host = host;
    return parts;
}

std::string NormaliseUrl(std::string_view value, std::string_view marker,
                         UrlCredentials& settings) {
    UrlParts parts = SplitUrl(value, marker);
    if (!parts.UserName.empty()) settings.UserName = parts.UserName;
    if (!parts.Password.empty()) settings.Password = parts.Password;
    if (parts.Port != 0) settings.Port = parts.Port;

    std::string stored(marker);
    if (!parts.Host.empty()) stored += parts.Host + "/";
    stored += parts.Path;
    return stored;
}

std::optional<std::uint32_t> ParsePort(std::string_view text) {
    auto value = ParseDecimal<std::int64_t>(text);
    if (!value || *value < 1 || *value > 65535) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::int32_t> ParseContentLength(std::string_view text) {
    auto value = ParseDecimal<std::int32_t>(text);
    if (!value || *value < 0) return std::nullopt;
    return value;
}

}  // namespace quill::download
