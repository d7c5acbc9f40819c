// One extraction run of the engine: reads the archive, selects entries, decodes and verifies
// them into temporary files and places them all at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ByteSource.h"
#include "engine/EntryName.h"
#include "engine/ExtractHost.h"
#include "engine/FileOps.h"

namespace zipengine {

// Paths are paths (wide on Windows); texts are UTF-8, except the password, whose bytes are the
// key as the archive's writer saw them.
struct ExtractRequest {
    std::filesystem::path archivePath;
    std::filesystem::path baseFolder;  // empty: the current folder
    std::string password;
    std::vector<std::string> fileSpecs;  // empty: every entry
    OemDecoder oemNames;                 // names in the OEM code page (see decodeEntryName)
    std::int32_t passwordRequests = 0;   // how often the host may be asked per entry (max 15)
    bool testOnly = false;               // verify, write nothing
    bool directoryNames = false;         // keep the entries' folders; else all go to the base
    bool overwrite = false;              // replace existing files without asking
    bool freshen = false;                // only replace existing files that are older
    bool update = false;                 // new files, and existing files that are older
    bool verbose = false;
    bool trace = false;
    // An entry whose name cannot be placed safely fails the whole batch (nothing is written)
    // instead of being skipped.
    bool refuseUnsafeNames = false;
    std::chrono::milliseconds inUseRetry{5000};
    FileOps* fileOps = nullptr;  // not owned; null: the platform's
};

class Extractor {
public:
    Extractor(ExtractRequest request, ExtractHost& host);

    // Entries processed (0 or more), or a negative ZE_Result.
    std::int32_t run();
    std::int32_t run(ByteSource& archive);  // the archive given as bytes (tests, fuzzing)

    // Thread-safe: makes the run stop at the next entry boundary (and roll back).
    void abort() { abortRequested_ = true; }

private:
    struct Planned;
    struct Failure;

    std::int32_t extractAll(ByteSource& archive);
    bool stopWanted() const { return stopRequested_ || abortRequested_; }
    void note(bool stop) { stopRequested_ = stopRequested_ || stop; }
    void verbose(const std::string& text);
    void trace(const std::string& text);

    ExtractRequest request_;
    ExtractHost& host_;  // not owned
    std::atomic<bool> abortRequested_{false};
    bool stopRequested_ = false;
};

}  // namespace zipengine
