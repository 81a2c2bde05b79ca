// The command line of tavrek, read before any window exists: --help and --version are answered
// without a display; anything else goes on to the application (Qt's own options, and the database
// file to open at start-up).
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Action { kRun, kHelp, kVersion };

// What the arguments (without the program name) ask for. --help wins over --version.
Action Parse(const std::vector<std::string>& args);

// The texts printed for --help and --version, each ending with a line break.
std::string HelpText();
std::string VersionText();

}  // namespace cli
