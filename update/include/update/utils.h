#pragma once
// The update flow's contact with the outside: the version query, the quit request
// to the main application and the record of the installed version.

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

#include "toolkit/Exception.h"
#include "update/UpdateDecision.h"

namespace quill::update {

// The toolkit's file and registry errors, raised by the functions below.
using tk::EInOutError;
using tk::ERegistryException;

// Raised when a proxy on the way asks for a user name and password; the text names it.
class EProxyRefused : public tk::Exception {
public:
    using tk::Exception::Exception;
};

// The update server's root, "http://host/".
extern const char* const ServerBase;
inline constexpr const char* MainWindowTitle = "QuilloraFree";
inline constexpr const char* MainExecutable = "quill.exe";
inline constexpr const char* ArchiveName = "UpdateQl.zip";
inline constexpr const char* VersionReplyFile = "lastVerNet.txt";
inline constexpr const char* VersionFile = "firme.reg";

// The folder of the running executable, with a trailing backslash, as an ANSI string that
// names it (its short form where the ANSI form would lose letters); empty when the folder
// has no such name, in which case nothing can be read or written there by name.
std::string ProgramFolder();

// How long a small request (the version reply, a signature) may take in all.
inline constexpr std::chrono::seconds SmallReplyDeadline{30};

// The body of a successful (2xx) GET of url, complete as announced and at most limit
// bytes, fetched from the server itself (a reply kept in the local cache could hide an
// update) through the download core; empty on any failure.
std::optional<std::string> FetchFresh(const std::string& url, size_t limit);

// Told, and the program ends, when the program folder has no ANSI name.
inline constexpr const char* FolderNameText =
    "Actualizarea nu poate rula din acest dosar: numele lui contine litere pe care sistemul "
    "nu le poate transmite programului. Va rugam sa mutati programul intr-un dosar cu alt "
    "nume.";

// Whether a file can be made in the folder (it is removed again).
bool FolderIsWritable(const std::string& folder);

// Told once at start-up, and the program ends, when the program folder cannot be written:
// no reply, archive or version record could be kept there.
std::string UnwritableFolderText(const std::string& folder);

// Asks the server for the newest version: deletes the reply file, downloads
// getLastVer.php?id=<id> into it (always fresh, never from the local cache; a
// failed request leaves no file) and returns its first line, or "0" when no
// reply file exists. Throws EInOutError when an existing reply cannot be read, and
// EProxyRefused when a proxy asks for a password.
std::string VersionQuery(const std::string& installationId);
std::string VersionQuery(const std::string& serverBase, const std::string& installationId,
                         const std::string& replyFile);

// Posts WM_QUIT to the top-level window with this exact title; true when posted.
bool CloseMainApplication(const std::string& windowTitle);

// The file version of an executable's version resource; empty when the file is
// missing or carries no version resource.
std::optional<FileVersion> FileVersionOf(const std::string& path);

// The version text of a file, "" when it has no version.
std::string VersionText(const std::string& path);

// Writes the version text of the executable to firme.reg in the program folder and
// to HKCU\Quillora\Diverse\VersiuneStructura (and, built with update keys, raises
// VersiuneMaxima to it). An executable without a version
// records nothing and returns false. Throws EInOutError when the file cannot be
// written (the registry is then left alone) and ERegistryException on registry
// failures.
// Both are replaced in one step each (firme.reg through a file beside it, flushed and then
// moved over it), so a cut leaves the old or the new record, never an empty one.
bool RecordInstalledVersion(const std::string& executablePath);
bool RecordInstalledVersion(const std::string& executablePath, const std::string& versionFile);

// What the version record holds: the first line of firme.reg and the registry value, each
// empty when absent or unreadable.
struct VersionRecord {
    std::optional<std::string> File;
    std::optional<std::string> Registry;
};
VersionRecord ReadVersionRecord();
VersionRecord ReadVersionRecord(const std::string& versionFile);

}  // namespace quill::update
