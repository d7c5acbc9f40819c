#include "update/UpdateEntry.h"

#include "update/UpdateDecision.h"
#include "toolkit/Application.h"
#include "update/uAreab.h"
#include "update/utils.h"

namespace quill::update {

int RunUpdater(const std::vector<std::string>& arguments) {
    tk::Application.Initialize();
    const StartArguments start = ReadStartArguments(arguments);
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
    if (!decision.Due) return 0;
    ShowUpdateDialog(start.InstalledVersion, decision.AvailableVersion, start.InstallationId);
    return 0;
}

}  // namespace quill::update
