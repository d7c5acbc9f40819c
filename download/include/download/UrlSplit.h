// Address handling shared by every grabber: splitting a URL into its parts and
// the rules the `Url` setter follows. No platform headers, so it is tested natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::download {

// The parts of an address as SplitUrl yields them; Port 0 means "not given".
struct UrlParts {
    std::string Host;
    std::string Path;
    std::string UserName;
    std::string Password;
    std::uint32_t Port = 0;
};

// Splits Url after removing the protocol marker (compared without regard to case)
// from its start: "user:pass@host:port/path".
UrlParts SplitUrl(std::string_view url, std::string_view marker);

// The settings an address can carry besides itself.
struct UrlCredentials {
    std::string UserName;
    std::string Password;
    std::uint32_t Port = 0;
};

// Applies the `Url` setter's rules to value: credentials and a port found in it
// replace those in settings (absent parts leave them alone); the result is the
// address to store, marker first, without credentials or port.
std::string NormaliseUrl(std::string_view value, std::string_view marker, UrlCredentials& settings);

// A port number as written after the host's colon; nullopt unless it is a plain
// decimal number a TCP port can have (1..65535). A larger number would silently
// wrap to another port once narrowed to 16 bits.
std::optional<std::uint32_t> ParsePort(std::string_view text);

// The Content-Length header text as a signed 32-bit length; nullopt when it is not a
// decimal number, is negative or does not fit (2 GiB and more).
std::optional<std::int32_t> ParseContentLength(std::string_view text);

}  // namespace quill::download
