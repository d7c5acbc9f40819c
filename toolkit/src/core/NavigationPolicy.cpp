#include "toolkit/NavigationPolicy.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace tk {

namespace {

struct Origin {
    std::string Scheme, Host, Port;
    bool operator==(const Origin&) const = default;
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::optional<Origin> OriginOf(std::string_view url) {
    const size_t colon = url.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    Origin origin{Lower(url.substr(0, colon)), {}, {}};
    if (origin.Scheme != "http" && origin.Scheme != "https") return std::nullopt;
    std::string_view authority = url.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of("/?#\\"));
    if (authority.empty() || authority.find('@') != std::string_view::npos) return std::nullopt;
    std::string_view host = authority, port;
    if (const size_t at = authority.rfind(':'); at != std::string_view::npos) {
        host = authority.substr(0, at);
        port = authority.substr(at + 1);
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        port = port.substr(std::min(port.find_first_not_of('0'), port.size() - 1));
    }
    if (host.empty()) return std::nullopt;
    for (char c : host)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-'))
            return std::nullopt;
    origin.Host = Lower(host);
    origin.Port = port.empty() ? (origin.Scheme == "http" ? "80" : "443") : std::string(port);
    return origin;
}

}  // namespace

bool NavigationAllowed(std::string_view page, std::string_view target) {
    if (target == page) return true;
    const auto pageOrigin = OriginOf(page);
    const auto targetOrigin = OriginOf(target);
    return pageOrigin && targetOrigin && *pageOrigin == *targetOrigin;
}

}  // namespace tk
