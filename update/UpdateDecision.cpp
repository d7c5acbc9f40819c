#include "update/UpdateDecision.h"

namespace quill::update {

StartArguments ReadStartArguments(const std::vector<std::string>& args) {
    auto at = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    return {at(0), at(1), at(2)};
}

bool HasValidSyntax(const StartArguments& args) {
    return args.InstalledVersion.size() >= 2 && args.InstallationId.size() >= 2;
}

UpdateDecision DecideUpdate(const StartArguments& args, std::string_view versionReply) {
    if (versionReply == "0") return {};
    constexpr size_t statusPrefix = 6;
    UpdateDecision decision;
    if (versionReply.size() > statusPrefix)
        decision.AvailableVersion = std::string(versionReply.substr(statusPrefix));
    decision.Due = decision.AvailableVersion != args.InstalledVersion || !args.ForceFlag.empty();
    return decision;
}

std::string FirstLine(std::string_view text) {
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

std::string FormatVersion(const FileVersion& v) {
    return std::to_string(v.Major) + '.' + std::to_string(v.Minor) + '.' +
           std::to_string(v.Release) + '.' + std::to_string(v.Build);
}

}  // namespace quill::update
