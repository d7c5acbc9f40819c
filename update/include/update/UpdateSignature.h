#pragma once
// The vendor's public keys built into the program: they verify the signed release manifest.

namespace quill::update {

// The vendor's public keys (PEM text, one or more keys so that a key can be rotated), built
// in from -DQUILL_UPDATE_PUBLIC_KEYS=<file>; empty when the program was built without them
// (-DQUILL_UNSIGNED_UPDATES=ON). Each program links exactly one definition (see
// update/CMakeLists.txt).
extern const char* const UpdatePublicKeys;

inline bool HasUpdateKeys() {
    return *UpdatePublicKeys != '\0';
}

}  // namespace quill::update
