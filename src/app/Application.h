#pragma once

namespace pelmora::app {

// Starts the desktop application and runs its event loop; returns the exit code.
int run(int argc, char** argv);

} // namespace pelmora::app
