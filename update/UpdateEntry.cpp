#include "UpdateEntry.h"

#include <windows.h>

#include "UpdateDecision.h"
#include "utils.h"

namespace {

// Message boxes carry the application's title: the executable's name.
std::string ApplicationTitle() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.rfind('.'));
}

void ShowMessage(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_TASKMODAL);
}

}  // namespace

int RunUpdater(const std::vector<std::string>& arguments) {
    const StartArguments start = ReadStartArguments(arguments);
    if (!HasValidSyntax(start)) {
        ShowMessage("Sintax error.");
        return 0;
    }
    std::string reply;
    try {
        reply = VersionQuery(start.InstallationId);
    } catch (const EInOutError&) {
        return 0;  // an unreadable reply is no reply: end without the dialog
    }
    const UpdateDecision decision = DecideUpdate(start, reply);
    if (!decision.Due) return 0;
    // The update dialog takes over from here.
    return 0;
}
