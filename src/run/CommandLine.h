// The program's command line: --help and --version, "--" ending the options,
// and every other argument a file name, whatever it starts with.
#pragma once

#include <string>
#include <vector>

namespace quilbex {

struct CommandLine {
    enum class Action { kRun, kHelp, kVersion };
    Action action = Action::kRun;
    std::vector<std::string> files;  // byte for byte as given
};

// args: the arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Said on standard error when more than one file is given: only the first
// is converted; the others are named, with how to convert several.
std::string ExtraFilesNote(const std::vector<std::string>& files);

// The text of --help, with the exit statuses.
std::string HelpText();

}  // namespace quilbex
