#include "engine/Extractor.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>

#include "engine/EngineError.h"
#include "engine/EntryDecoder.h"
#include "engine/EntryName.h"
#include "engine/EntryTime.h"
#include "engine/ExtractionTransaction.h"
#include "engine/FreeSpace.h"
#include "engine/InstallJournal.h"
#include "engine/NameText.h"
#include "engine/ZipDirectory.h"
#include "engine/ZipRecords.h"

namespace zipengine {

namespace fs = std::filesystem;
using namespace zipengine_abi;

namespace {

// An entry that cannot be extracted: the whole batch is given up.
struct EntryFailure {
    ZE_SkipReason reason;
    ZE_ErrorCode code;
    std::string text;
};

// Counts decoded bytes towards the progress bar and passes them on (or drops them in a test).
class ProgressSink final : public ByteSink {
public:
    ProgressSink(ExtractHost& host, ByteSink* target, bool& stopRequested)
        : host_(host), target_(target), stopRequested_(stopRequested) {}
    void write(std::span<const std::uint8_t> bytes) override {
        if (target_) target_->write(bytes);
        if (host_.progress(static_cast<std::int64_t>(bytes.size()))) stopRequested_ = true;
    }

private:
    ExtractHost& host_;
    ByteSink* target_;  // not owned; null when only testing
    bool& stopRequested_;
};

fs::path joinSegments(std::vector<std::string>::const_iterator first,
                      std::vector<std::string>::const_iterator last) {
    fs::path joined;
    for (; first != last; ++first) joined /= pathFromUtf8(*first);
    return joined;
}

}  // namespace

struct Extractor::Planned {
    std::size_t index;
    fs::path relativeTarget;  // a folder for directory entries
    bool isFolder;
};

Extractor::Extractor(ExtractRequest request, ExtractHost& host)
    : request_(std::move(request)), host_(host) {
    request_.passwordRequests = std::clamp(request_.passwordRequests, 0, kMaxPasswordRequests);
}

void Extractor::verbose(const std::string& text) {
    if (request_.verbose || request_.trace) note(host_.message(ZE_ErrNone, text));
}

void Extractor::trace(const std::string& text) {
    if (request_.trace) note(host_.message(ZE_ErrNone, text));
}

std::int32_t Extractor::run() {
    std::optional<FileByteSource> source;
    try {
        source.emplace(request_.archivePath);
    } catch (const EngineError& error) {
        note(host_.message(error.code(), error.what()));
        host_.endOfBatch();
        return ZE_Aborting;
    }
    return run(*source);
}

std::int32_t Extractor::run(ByteSource& archive) {
    // Whatever ends the run early, the transaction inside has put the disk back as it was.
    auto giveUp = [this](ZE_ErrorCode code, const std::string& text, std::int32_t result) {
        try {
            host_.message(code, text);
            host_.endOfBatch();
        } catch (...) {
        }
        return result;
    };
    try {
        return extractAll(archive);
    } catch (const std::bad_alloc&) {
        return giveUp(ZE_ErrMemory, "Not enough memory", ZE_NotEnoughMemory);
    } catch (const EngineError& error) {
        return giveUp(error.code(), error.what(), ZE_Aborting);
    } catch (const std::exception& error) {
        return giveUp(ZE_ErrWrite, error.what(), ZE_HandlerException);
    }
}

std::int32_t Extractor::extractAll(ByteSource& archive) {
    trace("Opening " + utf8FromPath(request_.archivePath));
    ZipDirectory directory = readZipDirectory(archive, request_.oemNames);
    trace("Zip directory: " + std::to_string(directory.entries.size()) + " entries");

    FileOps& ops = request_.fileOps ? *request_.fileOps : platformFileOps();
    std::optional<ExtractionTransaction> transaction;
    if (!request_.testOnly) {
        // An install that a kill or a power cut interrupted is finished or undone first: the
        // folder holds one whole version before this run adds to it.
        fs::path folder = request_.baseFolder.empty() ? pathFromUtf8(".") : request_.baseFolder;
        RecoveryResult recovered = recoverInterruptedInstall(folder, ops);
        if (recovered.outcome == RecoveryOutcome::Blocked)
            throw EngineError(
                ZE_ErrInUse,
                "An interrupted install cannot be finished, file in use: " + recovered.blockedFile);
        if (recovered.outcome == RecoveryOutcome::RolledForward)
            note(host_.message(ZE_ErrNone, "An interrupted install was finished"));
        if (recovered.outcome == RecoveryOutcome::RolledBack)
            note(host_.message(ZE_ErrNone, "An interrupted install was undone"));
        transaction.emplace(request_.baseFolder, request_.inUseRetry, ops);
    }
    const fs::path base = transaction ? transaction->baseFolder() : fs::path();

    // Choose the entries and settle every question before the first byte is written, so that
    // the announced total is what the progress reports add up to.
    std::vector<Planned> plan;
    std::map<std::u32string, std::size_t> planByTarget;  // by folded name: Windows ignores case
    for (std::size_t i = 0; i < directory.entries.size() && !stopWanted(); ++i) {
        const ZipEntry& entry = directory.entries[i];
        if (!request_.fileSpecs.empty() &&
            std::none_of(
                request_.fileSpecs.begin(), request_.fileSpecs.end(),
                [&](const std::string& spec) { return fileSpecMatches(spec, entry.name); }))
            continue;
        auto segments = safeEntrySegments(entry.name);
        if (!segments && request_.refuseUnsafeNames) {
            if (transaction) transaction->rollback();
            host_.skipped(entry.name, ZE_SkipUnsafeName, ZE_ErrUnsafeName);
            host_.message(ZE_ErrUnsafeName, "Unsafe name " + entry.name + "; nothing was changed");
            host_.endOfBatch();
            return ZE_Aborting;
        }
        if (!segments) {
            note(host_.skipped(entry.name, ZE_SkipUnsafeName, ZE_ErrUnsafeName));
            verbose("Skipped unsafe name: " + entry.name);
            continue;
        }
        if (entry.isDirectory()) {
            // Freshening only replaces files: it makes no new folders.
            if (request_.directoryNames && !request_.testOnly && !request_.freshen)
                plan.push_back({i, joinSegments(segments->begin(), segments->end()), true});
            continue;
        }
        auto firstKept = request_.directoryNames ? segments->begin() : segments->end() - 1;
        fs::path relative = joinSegments(firstKept, segments->end());
        std::string relativeName;  // what decides whether two entries meet in one file
        for (auto segment = firstKept; segment != segments->end(); ++segment)
            relativeName += *segment + "/";
        if (!request_.testOnly) {
            fs::path target = base / relative;
            std::error_code error;
            bool exists = fs::exists(fs::symlink_status(target, error));
            bool older = exists && fileIsOlderThanEntry(target, entry);
            if (request_.freshen && !older) {
                note(host_.skipped(entry.name, ZE_SkipFreshen, ZE_ErrNone));
                verbose("Not freshened: " + entry.name);
                continue;
            }
            if (request_.update && exists && !older) {
                note(host_.skipped(entry.name, ZE_SkipUpdate, ZE_ErrNone));
                verbose("Not updated: " + entry.name);
                continue;
            }
            bool replaceAsked = request_.freshen || request_.update || request_.overwrite;
            if (exists && !replaceAsked &&
                !host_.confirmOverwrite(entry.name, older, static_cast<std::int32_t>(i))) {
                note(host_.skipped(entry.name, ZE_SkipOverwriteDeclined, ZE_ErrNone));
                verbose("Not overwritten: " + entry.name);
                continue;
            }
        }
        // A later entry for the same file wins, as it would when extracting one by one.
        auto [slot, inserted] = planByTarget.try_emplace(foldedName(relativeName), plan.size());
        if (!inserted) {
            Planned& earlier = plan[slot->second];
            note(host_.skipped(directory.entries[earlier.index].name, ZE_SkipSuperseded,
                               ZE_ErrNone));
            earlier = {i, relative, false};
            continue;
        }
        plan.push_back({i, relative, false});
    }

    std::uint64_t plannedBytes = 0;
    for (const Planned& item : plan)
        if (!item.isFolder)
            plannedBytes = addOrFail(plannedBytes, directory.entries[item.index].uncompressedSize,
                                     "Entry sizes add up to more than any disk holds");
    if (plannedBytes > static_cast<std::uint64_t>(INT64_MAX))
        throw EngineError(ZE_ErrArchiveStructure, "Entry sizes add up to more than any disk holds");
    const auto totalBytes = static_cast<std::int64_t>(plannedBytes);
    if (transaction) requireFreeSpace(base, plannedBytes);
    note(host_.itemCount(static_cast<std::int32_t>(plan.size())));
    note(host_.totalSize(totalBytes));

    std::vector<std::string> knownPasswords{request_.password};
    bool noMorePasswords = false;
    auto passwordFor = [&](const ZipEntry& entry, std::uint64_t dataStart) -> std::string {
        for (const std::string& password : knownPasswords)
            if (passwordFitsEntry(archive, dataStart, entry, password)) return password;
        bool asked = false;
        std::int32_t left = noMorePasswords ? 0 : request_.passwordRequests;
        while (left > 0 && !stopWanted()) {
            PasswordAnswer answer = host_.askPassword(entry.name, left);
            asked = true;
            if (answer.reply == ZE_ReplyNoToAll) noMorePasswords = true;
            if (answer.reply != ZE_ReplyYes || answer.password.empty()) break;
            left = std::min(answer.repeatCount, kMaxPasswordRequests) - 1;
            if (passwordFitsEntry(archive, dataStart, entry, answer.password)) {
                knownPasswords.insert(knownPasswords.begin(), answer.password);
                return answer.password;
            }
        }
        throw EntryFailure{asked ? ZE_SkipBadPassword : ZE_SkipNoPassword, ZE_ErrPassword,
                           "Wrong or missing password for " + entry.name};
    };

    std::int32_t processed = 0;
    for (const Planned& item : plan) {
        if (stopWanted()) {
            if (transaction) transaction->rollback();
            host_.message(ZE_ErrCancelled, "Extraction cancelled; nothing was changed");
            host_.endOfBatch();
            return ZE_UserCancelled;
        }
        const ZipEntry& entry = directory.entries[item.index];
        note(host_.newItem(entry.name, static_cast<std::int64_t>(entry.uncompressedSize)));
        try {
            if (item.isFolder) {
                transaction->makeFolder(item.relativeTarget);
            } else {
                std::uint64_t dataStart = 0;
                try {
                    dataStart = locateEntryData(archive, directory, entry);
                } catch (const EngineError& error) {
                    throw EntryFailure{ZE_SkipDamaged, ZE_ErrData, error.what()};
                }
                std::string password = entry.isEncrypted() ? passwordFor(entry, dataStart) : "";
                std::unique_ptr<ExtractionTransaction::StagedFile> staged;
                if (transaction) {
                    if (item.relativeTarget.has_parent_path())
                        transaction->makeFolder(item.relativeTarget.parent_path());
                    staged = transaction->beginFile(item.relativeTarget);
                }
                ProgressSink sink(host_, staged.get(), stopRequested_);
                DecodeResult result;
                try {
                    result = decodeEntry(archive, dataStart, entry, password, sink);
                } catch (const EngineError& error) {
                    if (error.code() != ZE_ErrData) throw;
                    result = {DecodeStatus::Damaged, 0, error.what()};
                }
                switch (result.status) {
                    case DecodeStatus::Ok:
                        break;
                    case DecodeStatus::CrcMismatch:
                        if (host_.acceptCrcMismatch(entry.name, result.foundCrc, entry.crc32))
                            break;
                        throw EntryFailure{ZE_SkipCrcError, ZE_ErrCrc,
                                           "CRC error in " + entry.name};
                    case DecodeStatus::Damaged:
                        throw EntryFailure{ZE_SkipDamaged, ZE_ErrData,
                                           entry.name + ": " + result.detail};
                    case DecodeStatus::Unsupported:
                        throw EntryFailure{ZE_SkipUnsupported, ZE_ErrUnsupported,
                                           entry.name + ": " + result.detail};
                }
                if (staged) transaction->finishFile(std::move(staged), entryModified(entry));
            }
        } catch (const EntryFailure& failure) {
            if (transaction) transaction->rollback();
            host_.skipped(entry.name, failure.reason, failure.code);
            host_.message(failure.code, failure.text + "; nothing was changed");
            host_.endOfBatch();
            return ZE_Aborting;
        } catch (const EngineError& error) {
            if (transaction) transaction->rollback();
            ZE_SkipReason reason =
                error.code() == ZE_ErrUnsafeName ? ZE_SkipUnsafeName : ZE_SkipWriteError;
            host_.skipped(entry.name, reason, error.code());
            host_.message(error.code(), std::string(error.what()) + "; nothing was changed");
            host_.endOfBatch();
            return ZE_Aborting;
        }
        verbose((request_.testOnly ? "Tested OK: " : "Extracted: ") + entry.name);
        ++processed;
    }

    if (stopWanted()) {
        if (transaction) transaction->rollback();
        host_.message(ZE_ErrCancelled, "Extraction cancelled; nothing was changed");
        host_.endOfBatch();
        return ZE_UserCancelled;
    }
    if (transaction) {
        transaction->commit();  // throws after putting everything back
        // The new files are all in place: a replaced file still in use is no failure. The
        // journal keeps its name, and the next run (or recovery) removes it.
        for (const fs::path& leftover : transaction->leftovers())
            host_.message(ZE_ErrNone, "Replaced file still in use, kept as " +
                                          utf8FromPath(leftover) + " until the next extraction");
    }
    host_.endOfBatch();
    return processed;
}

}  // namespace zipengine
