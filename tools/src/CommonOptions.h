#ifndef VOLAX_TOOLS_COMMONOPTIONS_H
#define VOLAX_TOOLS_COMMONOPTIONS_H

// Options every subcommand accepts: --federation, --name, --fed, --verbose, --help.

#include <string>
#include <vector>

#include "ArgParse.h"
#include "FederateSession.h"

namespace volaxfed {

// Adds the common option names to the subcommand's own lists.
Options makeOptions(std::vector<std::string> withValue, std::vector<std::string> flags);

// Parses argv; on --help prints `help` and sets *exitStatus 0, on an error
// prints it with a hint and sets *exitStatus 2. Returns whether to go on.
bool parseCommandLine(Options& options, int argc, char** argv, const char* help, int* exitStatus);

// Prints "volax-fed: <text> (see volax-fed COMMAND --help)"; returns the usage exit status.
int usageError(const std::string& command, const std::string& text);

CommonSettings commonSettings(const Options& options, const std::string& defaultFederate);

extern const char* const kCommonHelp;

}  // namespace volaxfed

#endif
