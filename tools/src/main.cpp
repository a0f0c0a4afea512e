// volax-fed: peer federate tools for a VOLAX federation.

#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "CommonOptions.h"
#include "DisPeer.h"
#include "FederateSession.h"
#include "StandardStreams.h"

namespace {

const char* const kUsage =
    "usage: volax-fed COMMAND [options]\n"
    "Commands:\n"
    "  monitor        print the aircraft of the federation as they appear, move and leave;\n"
    "                 optionally write their tracks as KML\n"
    "  detonate       send a MunitionDetonation (e.g. at an aircraft)\n"
    "  start-resume   send a StartResume carrying a date and time\n"
    "  fly            publish synthetic entities on circles or straight legs (demos, tests, load)\n"
    "'volax-fed COMMAND --help' describes a command's options.\n"
    "Exit status: 0 done, 1 failed (e.g. cannot join), 2 bad arguments.\n";

}  // namespace

int main(int argc, char** argv) {
    volax::unixLineEnds();
    volax::lineAtATimeOutput();
    if (argc < 2) {
        volaxfed::fail("no command given (see volax-fed --help)");
        return volaxfed::kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        fputs(kUsage, stdout);
        fputs(volaxfed::kCommonHelp, stdout);
        fputs(volaxfed::kDisHelp, stdout);
        return volaxfed::kExitOk;
    }
    if (command == "monitor") return volaxfed::runMonitor(argc - 1, argv + 1);
    if (command == "detonate") return volaxfed::runDetonate(argc - 1, argv + 1);
    if (command == "start-resume") return volaxfed::runStartResume(argc - 1, argv + 1);
    if (command == "fly") return volaxfed::runFly(argc - 1, argv + 1);
    volaxfed::fail("unknown command '" + command + "' (see volax-fed --help)");
    return volaxfed::kExitUsage;
}
