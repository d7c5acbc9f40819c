#include "update/UpdateEntry.h"

#include "update/InstallRecovery.h"
#include "update/ProcessEnd.h"
#include "update/ReleaseGate.h"
#include "update/UpdateDecision.h"
#include "toolkit/Application.h"
#include "update/uAreab.h"
#include "update/utils.h"

namespace quill::update {

int RunUpdater(const std::vector<std::string>& arguments) {
    tk::Application.Initialize();
    StartArguments start = ReadStartArguments(arguments);
    if (!HasValidSyntax(start)) {
        tk::ShowMessage("Sintax error.");
        return 0;
    }
    // Every path of the run is built on the program folder.
    if (ProgramFolder().empty()) {
        tk::ShowMessage(FolderNameText);
        return 0;
    }
    // Else the reply could not be kept and the update would read as "none".
    if (!FolderIsWritable(ProgramFolder())) {
        tk::ShowMessage(UnwritableFolderText(ProgramFolder()));
        return 0;
    }
    // A cut during an earlier install is repaired first: the version offered is then
    // weighed against what is really installed.
    const std::optional<std::string> installed = RecoverInterruptedInstall(start.InstalledVersion);
    if (!installed) return 0;
    start.InstalledVersion = *installed;
    std::string reply;
    try {
        reply = VersionQuery(start.InstallationId);
    } catch (const EInOutError&) {
        return 0;  // an unreadable reply is no reply: end without the dialog
    } catch (const EProxyRefused& refused) {
        tk::ShowMessage(refused.what());
        return 0;
    }
    const UpdateDecision decision = DecideUpdate(start, reply);
    if (!decision.Due) {
        // A stale or replayed "nothing new" is seen in the signed manifest.
        WarnOfFrozenServer(start.InstalledVersion);
        return 0;
    }
    ShowUpdateDialog(start.InstalledVersion, decision.AvailableVersion, start.InstallationId);
    // Everything of the run is done and on disk: nothing that comes after may keep it alive.
    EndProcess();
}

}  // namespace quill::update
