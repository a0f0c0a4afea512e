#include "CommonOptions.h"

#include <cstdio>

#include "Commands.h"
#include "DisPeer.h"

namespace volaxfed {

const char* const kCommonHelp =
    "Common options:\n"
    "  --federation NAME   federation execution to join (default XP_Federation)\n"
    "  --name NAME         federate name (default depends on the command)\n"
    "  --fed FILE          FED file: create the federation execution first if it does not exist\n"
    "  --verbose           copy the framework's log lines to stderr\n"
    "  --help              this text\n"
    "Environment: VOLAX_RTI=HOST:PORT uses the RTI server (volax-rtiexec) there;\n"
    "VOLAX_FED_PATH lists folders searched for a relative FED file name.\n";

Options makeOptions(std::vector<std::string> withValue, std::vector<std::string> flags) {
    withValue.insert(withValue.end(), {"federation", "name", "fed", "dis", "exercise", "dis-version"});
    flags.insert(flags.end(), {"verbose", "help"});
    return Options(std::move(withValue), std::move(flags));
}

int usageError(const std::string& command, const std::string& text) {
    fail(text + " (see volax-fed " + command + " --help)");
    return kExitUsage;
}

bool parseCommandLine(Options& options, int argc, char** argv, const char* help, int* exitStatus) {
    std::string error;
    if (!options.parse(argc, argv, &error)) {
        *exitStatus = usageError(argv[0], error);
        return false;
    }
    if (options.has("help")) {
        fputs(help, stdout);
        fputs(kCommonHelp, stdout);
        fputs(kDisHelp, stdout);
        *exitStatus = kExitOk;
        return false;
    }
    for (const char* name : {"federation", "name", "fed", "dis"}) {
        if (options.has(name) && options.get(name).empty()) {
            fail(std::string("option --") + name + " needs a non-empty value");
            *exitStatus = kExitUsage;
            return false;
        }
    }
    return true;
}

CommonSettings commonSettings(const Options& options, const std::string& defaultFederate) {
    CommonSettings s;
    s.federation = options.get("federation", "XP_Federation");
    s.federate = options.get("name", defaultFederate);
    s.fedFile = options.get("fed");
    s.verbose = options.has("verbose");
    return s;
}

}  // namespace volaxfed
