#include "update/InstallRecovery.h"

#include <windows.h>

#include <filesystem>

#include "engine/InstallJournal.h"
#include "toolkit/Application.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"
#include "update/utils.h"

namespace quill::update {

namespace {

// Whether both halves of the record name `version`. Without firme.reg the program was never
// recorded here, and the record is left to the next install; a registry value lost to a cut
// (the registry reaches the disk later than files do) is written again.
bool RecordIsInLine(const std::string& version) {
    const VersionRecord record = ReadVersionRecord();
    if (!record.File) return true;
    return *record.File == version && record.Registry == version;
}

// Before extracting, the archive component makes sure the folder takes new files by creating
// an empty file of a system temporary name there and deleting it; a cut in between leaves it.
// Only such a probe is removed: "tmp", one to four hex digits, ".tmp", and nothing in it.
void RemoveFolderProbes(const std::string& folder) {
    WIN32_FIND_DATAA found;
    tk::TFindHandle search(FindFirstFileA((folder + "tmp*.tmp").c_str(), &found));
    if (!search) return;
    do {
        const std::string name = found.cFileName;
        if (name.size() < 8 || name.size() > 11) continue;
        const bool hex = name.find_first_not_of("0123456789ABCDEFabcdef", 3) == name.size() - 4;
        const bool empty = found.nFileSizeLow == 0 && found.nFileSizeHigh == 0 &&
                           !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        if (hex && empty) DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(search.Get(), &found));
}

}  // namespace

std::string RecoveryBlockedText(const std::string& file) {
    return "O actualizare intrerupta nu a putut fi terminata: fisierul \"" + file +
           "\" este folosit de alt program. Inchideti programele care il folosesc si porniti "
           "din nou actualizarea.";
}

std::optional<std::string> RecoverInterruptedInstall(const std::string& commandLineVersion) {
    const std::string folder = ProgramFolder();
    const zipengine::RecoveryResult result =
        zipengine::recoverInterruptedInstall(std::filesystem::path(tk::ToWide(folder)));
    if (result.outcome == zipengine::RecoveryOutcome::Blocked) {
        // The engine names files in UTF-8; the box speaks the system's code page.
        const std::u8string name(result.blockedFile.begin(), result.blockedFile.end());
        tk::ShowMessage(RecoveryBlockedText(tk::FromWide(std::filesystem::path(name).wstring())));
        return std::nullopt;
    }
    // A record cut short before it took its name is no record.
    DeleteFileA((folder + VersionFile + ".tmp").c_str());
    RemoveFolderProbes(folder);

    const std::string executable = folder + MainExecutable;
    const std::string version = VersionText(executable);
    const bool changed = result.outcome != zipengine::RecoveryOutcome::NothingToDo;
    if (version.empty() || (!changed && RecordIsInLine(version))) return commandLineVersion;
    try {
        RecordInstalledVersion(executable);
    } catch (...) {
        // The record is written again by the next install; the run goes on.
    }
    return version;
}

}  // namespace quill::update
