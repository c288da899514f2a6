#pragma once

#include <QString>

namespace pelmora::app {

// Renders every window of the program, filled from a fresh Sample database, without a display,
// to DIR/<class name>.png. Throws
// pelmora::Error when DIR cannot be created or a picture cannot be written.
void renderScreenshots(const QString& directory);

} // namespace pelmora::app
