// Which addresses a locked-down page may go to. Platform-neutral.
#pragma once

#include <string_view>

namespace tk {

// True when `target` is the page itself, or another http(s) address on the page's own
// server (same scheme, host and port: where the server redirects it). Anything else is
// refused: other servers, other schemes (file:, javascript:, res:, ...), addresses with
// user information ("http://good@evil/") and addresses that cannot be read.
bool NavigationAllowed(std::string_view page, std::string_view target);

}  // namespace tk
