#include "update/InstallRecovery.h"

#include <windows.h>

#include <filesystem>

#include "engine/InstallJournal.h"
#include "toolkit/Application.h"
#include "toolkit/Graphics.h"
#include "update/utils.h"

namespace quill::update {

namespace {

// Whether the record names `version` wherever it exists; without firme.reg the program was
// never recorded here, and the record is left to the next install.
bool RecordIsInLine(const std::string& version) {
    const VersionRecord record = ReadVersionRecord();
    if (!record.File) return true;
    return *record.File == version && record.Registry.value_or(version) == version;
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
