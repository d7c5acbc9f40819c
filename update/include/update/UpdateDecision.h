#pragma once
// The start-up decision of the updater: which arguments it runs with and whether
// the server's version reply makes an update due. Platform-neutral.

#include <string>
#include <string_view>
#include <vector>

namespace quill::update {

struct StartArguments {
    std::string InstalledVersion;  // argument 1, compared as text only
    std::string InstallationId;    // argument 2, sent to the server unchanged
    std::string ForceFlag;         // argument 3, any text forces the dialog
};

// Takes arguments 1 to 3 (after the program name); missing ones read as empty.
StartArguments ReadStartArguments(const std::vector<std::string>& args);

// Both the installed version and the id need at least two characters.
bool HasValidSyntax(const StartArguments& args);

struct UpdateDecision {
    bool Due = false;
    std::string AvailableVersion;
};

// The reply "0" means nothing is offered; otherwise the version starts at the
// seventh character (the first six are a status prefix) and any textual
// difference from the installed version, or the force flag, makes the update due.
UpdateDecision DecideUpdate(const StartArguments& args, std::string_view versionReply);

// The first line of a text reply, without its line end (CR, LF or CR LF).
std::string FirstLine(std::string_view text);

// Four 16-bit numbers joined by dots, unsigned, no leading zeros: "3.12.0.40000".
struct FileVersion {
    unsigned short Major = 0, Minor = 0, Release = 0, Build = 0;
};
std::string FormatVersion(const FileVersion& v);

}  // namespace quill::update
