#ifndef VOLAX_TOOLS_COMMANDS_H
#define VOLAX_TOOLS_COMMANDS_H

// The subcommands of volax-fed. Each takes its arguments (argv[0] is the
// subcommand's name) and returns the process exit status.

namespace volaxfed {

int runMonitor(int argc, char** argv);
int runDetonate(int argc, char** argv);
int runStartResume(int argc, char** argv);
int runFly(int argc, char** argv);

extern const char* const kMonitorHelp;
extern const char* const kDetonateHelp;
extern const char* const kStartResumeHelp;
extern const char* const kFlyHelp;

// Exit statuses.
enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

}  // namespace volaxfed

#endif
