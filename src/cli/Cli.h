#pragma once

namespace pelmora::cli {

// True when the arguments name a command (or --version / --help), so main() runs the
// command line instead of the desktop application.
bool isCommandLine(int argc, char** argv);

// Runs one command and returns the process exit code: 0 done, 1 failed (the error in the
// system's words on standard error), 2 wrong usage.
int run(int argc, char** argv);

} // namespace pelmora::cli
