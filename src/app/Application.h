#pragma once

namespace pelmora::app {

// True when the command line asks for a command that needs the windows (such as
// "screenshots DIR"), which the core's command line cannot run.
bool isGuiCommand(int argc, char** argv);

// Starts the desktop application and runs its event loop; returns the exit code.
int run(int argc, char** argv);

} // namespace pelmora::app
