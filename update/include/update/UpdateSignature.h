#pragma once
// The authenticity check of a downloaded update: a detached signature beside the archive
// on the server, verified with the vendor's public keys built into the program.

#include <stdexcept>
#include <string>

namespace quill::update {

// The vendor's public keys (PEM text, one or more keys so that a key can be rotated), built
// in from -DQUILL_UPDATE_PUBLIC_KEYS=<file>; empty when the program was built without them.
// Each program links exactly one definition (see update/CMakeLists.txt).
extern const char* const UpdatePublicKeys;

// Raised when a downloaded update is refused because it could not be verified.
class EUpdateRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lets the downloaded archive through when it may be installed. Without built-in keys it
// always may. With them, the signature fetched from signatureUrl (a complete 2xx reply,
// fresh from the server) must verify over the archive's bytes on disk with one of the keys;
// otherwise the archive is deleted and EUpdateRefused is raised.
void RequireAuthenticUpdate(const std::string& archivePath, const std::string& signatureUrl);

}  // namespace quill::update
