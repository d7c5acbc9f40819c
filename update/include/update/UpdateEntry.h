#pragma once
#include <string>
#include <vector>

namespace quill::update {

// The whole run of the updater for the arguments after the program name; returns
// the process exit code (always 0: every outcome is shown or silent, never a failure code).
// A run that showed the update dialog does not return: it ends the process, with code 0.
int RunUpdater(const std::vector<std::string>& arguments);

}  // namespace quill::update
