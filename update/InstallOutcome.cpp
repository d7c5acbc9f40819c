#include "update/InstallOutcome.h"

namespace quill::update {

bool UpdateInstalled(int32_t extractResult, int32_t entriesProcessed, bool extractionRaised) {
    return !extractionRaised && extractResult == 0 && entriesProcessed > 0;
}

std::string InstallMessage(bool installed, const std::string& failure) {
    if (failure.empty())
        return installed ? "Actualizarea a fost instalata. Va multumim."
                         : "Actualizarea nu a fost instalata. Va rugam sa incercati din nou mai "
                           "tarziu.";
    return (installed ? "Actualizarea a fost instalata, dar nu a putut fi finalizata: "
                      : "Actualizarea nu a putut fi finalizata: ") +
           failure;
}

}  // namespace quill::update
