#include "engine/InstallJournal.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>

#include "engine/EntryName.h"
#include "engine/FileHandle.h"
#include "engine/FileOps.h"
#include "engine/JournalFormat.h"
#include "engine/NameText.h"

namespace zipengine {

namespace fs = std::filesystem;

namespace journal {

namespace {

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::string hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::uint32_t crcOf(std::string_view text) {
    return static_cast<std::uint32_t>(
        crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(text.data()), text.size()));
}

bool isRelativeName(std::string_view name) {
    return safeEntrySegments(name).has_value() && name.find('\\') == std::string_view::npos;
}

bool isEngineFile(std::string_view relative, const char* suffix) {
    std::size_t slash = relative.rfind('/');
    return isRelativeName(relative) &&
           isEngineName(relative.substr(slash == std::string_view::npos ? 0 : slash + 1), suffix);
}

}  // namespace

bool isEngineName(std::string_view name, std::string_view suffix) {
    if (name.size() != 11 + suffix.size() || !name.starts_with(".ze") || !name.ends_with(suffix))
        return false;
    return std::all_of(name.begin() + 3, name.begin() + 11,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string folderLine(const std::string& folder) {
    return "folder\t" + folder + "\n";
}

std::string stagedLine(const std::string& staged) {
    return "staged\t" + staged + "\n";
}

std::string entryLine(const Entry& entry) {
    return "file\t" + entry.target + "\t" + entry.staged + "\t" + std::to_string(entry.size) +
           "\t" + hex8(entry.crc) + "\t" + entry.oldCopy + "\t" + entry.aside + "\n";
}

std::string preparedLine(std::size_t entries, std::uint32_t crcBefore) {
    return "prepared\t" + std::to_string(entries) + "\t" + hex8(crcBefore) + "\n";
}

Contents parse(std::string_view text) {
    Contents contents;
    if (!text.starts_with(kHeader)) {
        contents.tornHeader = kHeader.starts_with(text);
        return contents;
    }
    contents.headerOk = true;
    std::size_t position = kHeader.size();
    for (;;) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) break;  // a line cut while it was written
        std::string_view line = text.substr(position, end - position);
        auto fields = fieldsOf(line);
        bool ok = false;
        if (fields[0] == "folder" && fields.size() == 2 && !contents.prepared) {
            ok = isRelativeName(fields[1]);
            if (ok) contents.folders.emplace_back(fields[1]);
        } else if (fields[0] == "staged" && fields.size() == 2 && !contents.prepared) {
            ok = isEngineFile(fields[1], kStagedSuffix);
            if (ok) contents.staged.emplace_back(fields[1]);
        } else if (fields[0] == "file" && fields.size() == 7 && !contents.prepared) {
            Entry entry{std::string(fields[1]), std::string(fields[2]), 0, 0,
                        std::string(fields[5]), std::string(fields[6])};
            bool hasOld = !entry.oldCopy.empty();
            ok = isRelativeName(entry.target) && isEngineFile(entry.staged, kStagedSuffix) &&
                 parseNumber(fields[3], entry.size, 10) && fields[4].size() == 8 &&
                 parseNumber(fields[4], entry.crc, 16) &&
                 (hasOld ? isEngineFile(entry.oldCopy, kOldSuffix) &&
                               isEngineFile(entry.aside, kOldSuffix)
                         : entry.aside.empty());
            if (ok) contents.entries.push_back(std::move(entry));
        } else if (fields[0] == "prepared" && fields.size() == 3 && !contents.prepared) {
            std::size_t count = 0;
            std::uint32_t crc = 0;
            ok = parseNumber(fields[1], count, 10) && count == contents.entries.size() &&
                 fields[2].size() == 8 && parseNumber(fields[2], crc, 16) &&
                 crc == crcOf(text.substr(0, position));
            contents.prepared = ok;
        } else if (line == kDoneLine.substr(0, kDoneLine.size() - 1) && contents.prepared) {
            ok = contents.done = true;
        }
        contents.damaged = contents.damaged || !ok;
        position = end + 1;
    }
    return contents;
}

std::string relativeName(const fs::path& base, const fs::path& path) {
    std::string name;
    for (const fs::path& segment : path.lexically_relative(base)) {
        if (!name.empty()) name += '/';
        name += utf8FromPath(segment);
    }
    return name;
}

std::optional<fs::path> resolve(const fs::path& base, const std::string& relative) {
    auto segments = safeEntrySegments(relative);
    if (!segments || relative.find('\\') != std::string::npos) return std::nullopt;
    fs::path path = base;
    for (const std::string& segment : *segments) path /= pathFromUtf8(segment);
    return path;
}

std::optional<Fingerprint> fingerprintOf(const fs::path& path) {
    FileHandle file = openFile(path, "rb");
    if (!file) return std::nullopt;
    Fingerprint print{0, static_cast<std::uint32_t>(crc32(0, nullptr, 0))};
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        print.size += got;
        print.crc = static_cast<std::uint32_t>(crc32_z(print.crc, buffer.data(), got));
        if (got < buffer.size()) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return print;
}

}  // namespace journal

namespace {

using journal::Contents;
using journal::Entry;
using journal::Fingerprint;

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

struct Paths {
    fs::path target, staged, oldCopy, aside;
    Fingerprint newFile;
};

class Recovery {
public:
    Recovery(const fs::path& base, const fs::path& journalPath, FileOps& ops)
        : base_(base), journalPath_(journalPath), ops_(ops) {}

    RecoveryResult run(bool backOnly) {
        std::string text;
        if (!readAll(text)) return blocked(journalPath_);
        contents_ = journal::parse(text);
        if (!contents_.headerOk) {
            // Cut while the header was written: nothing else had begun. Anything else with
            // this name is no journal of ours that can be read: nothing is touched.
            if (!contents_.tornHeader) return blocked(journalPath_);
            return finish(RecoveryOutcome::NothingToDo);
        }
        for (const Entry& entry : contents_.entries) {
            Paths paths{*journal::resolve(base_, entry.target),
                        *journal::resolve(base_, entry.staged),
                        {},
                        {},
                        {entry.size, entry.crc}};
            if (!entry.oldCopy.empty()) {
                paths.oldCopy = *journal::resolve(base_, entry.oldCopy);
                paths.aside = *journal::resolve(base_, entry.aside);
            }
            paths_.push_back(std::move(paths));
        }
        trusted_ = contents_.prepared && !contents_.damaged;
        if (!backOnly && trusted_ && std::all_of(paths_.begin(), paths_.end(), [&](const Paths& p) {
                return canGoForward(p);
            }))
            return forward();
        if (contents_.done && !backOnly) {
            // Past the commit, but the journal cannot be fully trusted any more: whatever is
            // on disk stays, old copies included.
            return finish(RecoveryOutcome::RolledForward);
        }
        return backward();
    }

private:
    bool readAll(std::string& text) {
        FileHandle file = openFile(journalPath_, "rb");
        if (!file) return false;
        char buffer[65536];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
            text.append(buffer, got);
        return !std::ferror(file.get());
    }

    bool isNew(const fs::path& path, const Fingerprint& print) {
        return present(path) && journal::fingerprintOf(path) == print;
    }

    bool canGoForward(const Paths& p) {
        return present(p.staged) ? isNew(p.staged, p.newFile) : isNew(p.target, p.newFile);
    }

    RecoveryResult blocked(const fs::path& path) {
        return {RecoveryOutcome::Blocked, utf8FromPath(path)};
    }

    // Nothing may change while a file that must change is held open by someone.
    std::optional<RecoveryResult> probe(const std::vector<const fs::path*>& targets) {
        for (const fs::path* target : targets)
            if (present(*target) && ops_.probeReplace(*target) == FileStatus::InUse)
                return blocked(*target);
        return std::nullopt;
    }

    RecoveryResult forward() {
        std::vector<const fs::path*> toReplace;
        for (const Paths& p : paths_)
            if (present(p.staged)) toReplace.push_back(&p.target);
        if (auto refused = probe(toReplace)) return *refused;
        for (const Paths& p : paths_) {
            if (!present(p.staged)) continue;
            FileStatus status = ops_.replace(p.staged, p.target);
            if (status == FileStatus::Denied && !p.aside.empty() && !present(p.aside) &&
                ops_.replace(p.target, p.aside) == FileStatus::Ok)
                status = ops_.replace(p.staged, p.target);
            if (status != FileStatus::Ok) return blocked(p.target);
        }
        return finish(RecoveryOutcome::RolledForward);
    }

    RecoveryResult backward() {
        std::vector<const fs::path*> toChange;
        for (const Paths& p : paths_) toChange.push_back(&p.target);
        if (auto refused = probe(toChange)) return *refused;
        for (Paths& p : paths_) {
            bool targetIsNew = isNew(p.target, p.newFile);
            bool targetMissing = !present(p.target);
            FileStatus status = FileStatus::Ok;
            if (!p.oldCopy.empty() && present(p.oldCopy) && (targetMissing || targetIsNew)) {
                status = ops_.replace(p.oldCopy, p.target);
            } else if (!p.aside.empty() && present(p.aside) && targetMissing) {
                status = ops_.replace(p.aside, p.target);
            } else if (p.oldCopy.empty() && targetIsNew) {
                status = ops_.remove(p.target);
            }
            if (status != FileStatus::Ok) return blocked(p.target);
        }
        return finish(RecoveryOutcome::RolledBack);
    }

    // Removes what the install left: its staged files, its old copies (only what a sound
    // journal names: in doubt an old copy is kept), the folders it made while they are empty,
    // and the journal.
    RecoveryResult finish(RecoveryOutcome outcome) {
        bool clean = true;
        auto removeFile = [&](const fs::path& path) {
            if (present(path) && ops_.remove(path) != FileStatus::Ok) clean = false;
        };
        for (const std::string& staged : contents_.staged)
            removeFile(*journal::resolve(base_, staged));
        for (const Paths& p : paths_) {
            removeFile(p.staged);
            if (trusted_ && !p.oldCopy.empty()) {
                removeFile(p.oldCopy);
                removeFile(p.aside);
            }
        }
        if (outcome == RecoveryOutcome::RolledBack) {
            for (auto it = contents_.folders.rbegin(); it != contents_.folders.rend(); ++it) {
                fs::path folder = *journal::resolve(base_, *it);
                std::error_code error;
                if (fs::is_directory(fs::symlink_status(folder, error)) &&
                    fs::is_empty(folder, error))
                    ops_.removeFolder(folder);
            }
        }
        // A journal whose old copies stay in use is kept, so that a later run removes them.
        if (clean) ops_.remove(journalPath_);
        return {outcome, {}};
    }

    fs::path base_, journalPath_;
    FileOps& ops_;
    Contents contents_;
    std::vector<Paths> paths_;
    bool trusted_ = false;
};

}  // namespace

RecoveryResult journal::recover(const fs::path& base, const fs::path& journalPath, FileOps& ops,
                                bool backOnly) {
    try {
        return Recovery(base, journalPath, ops).run(backOnly);
    } catch (...) {
        return {RecoveryOutcome::Blocked, utf8FromPath(journalPath)};
    }
}

RecoveryResult recoverInterruptedInstall(const fs::path& baseFolder, FileOps& ops) {
    try {
        std::vector<fs::path> journals;
        std::error_code error;
        for (fs::directory_iterator it(baseFolder, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code ignored;
            if (journal::isEngineName(utf8FromPath(it->path().filename()),
                                      journal::kJournalSuffix) &&
                fs::is_regular_file(it->symlink_status(ignored)))
                journals.push_back(it->path());
        }
        std::sort(journals.begin(), journals.end());
        RecoveryResult result{RecoveryOutcome::NothingToDo, {}};
        for (const fs::path& journalPath : journals) {
            RecoveryResult one = journal::recover(baseFolder, journalPath, ops, false);
            if (one.outcome == RecoveryOutcome::Blocked) return one;
            result.outcome = std::max(result.outcome, one.outcome);
        }
        return result;
    } catch (...) {
        return {RecoveryOutcome::Blocked, utf8FromPath(baseFolder)};
    }
}

RecoveryResult recoverInterruptedInstall(const fs::path& baseFolder) {
    return recoverInterruptedInstall(baseFolder, platformFileOps());
}

}  // namespace zipengine
