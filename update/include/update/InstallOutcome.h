#pragma once
// What the update dialog tells the user when its install sequence ends. One rule, kept here:
// a partial or refused install is never called installed, and an install that did replace
// the files is never called failed. Platform-neutral.

#include <cstdint>
#include <string>

namespace quill::update {

// The archive was installed: the extraction returned success, processed entries, and
// raised nothing.
bool UpdateInstalled(int32_t extractResult, int32_t entriesProcessed, bool extractionRaised);

// The text of the box that closes the sequence. `failure` is what a step of the sequence
// raised (the extraction, or the version record after it), empty when nothing did.
std::string InstallMessage(bool installed, const std::string& failure);

}  // namespace quill::update
