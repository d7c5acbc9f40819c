#pragma once
// A cache on the way can hand over an older archive than the one offered: before anything
// is extracted, the quill.exe inside the downloaded archive must be the version offered.

#include <string>

#include "toolkit/Exception.h"

namespace quill::update {

// Raised when the archive holds another version of quill.exe than the one offered.
class EStaleUpdate : public tk::Exception {
public:
    using tk::Exception::Exception;
};

// Extracts quill.exe alone from the archive into a temporary folder (removed again) and
// compares its version with `offeredVersion`. An archive without quill.exe, or one whose
// quill.exe cannot be extracted (the extraction proper reports the damage), passes. When
// the versions differ, the archive is deleted, the next run is told to ask past every
// cache (see FreshArchiveUrl) and EStaleUpdate is raised.
void RequireOfferedVersion(const std::string& archivePath, const std::string& offeredVersion,
                           const std::string& password);

// The archive's address: `url` itself, or, after an outdated copy arrived, `url` with a
// query that changes each run, which no cache can answer from store.
std::string FreshArchiveUrl(const std::string& url, const std::string& archivePath);

}  // namespace quill::update
