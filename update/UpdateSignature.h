#pragma once
// The authenticity check of a downloaded update: a detached signature beside the archive
// on the server, verified with the vendor's public keys built into the program.

#include <string>

// The vendor's public keys (PEM text, one or more keys so that a key can be rotated), built
// in from -DQUILL_UPDATE_PUBLIC_KEYS=<file>; empty when the program was built without them.
// Each program links exactly one definition (see update/CMakeLists.txt).
extern const char* const UpdatePublicKeys;

// Whether the downloaded archive may be installed. Without built-in keys: always. With
// them: when the signature fetched from signatureUrl (a complete 2xx reply, fresh from the
// server) verifies over the archive's bytes on disk with one of the keys.
bool UpdateIsAuthentic(const std::string& archivePath, const std::string& signatureUrl);
