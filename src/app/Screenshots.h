#pragma once

#include <QString>

namespace pelmora::settings {
class Paths;
}

namespace pelmora::app {

// Renders every window of the program, without a display, to DIR/<class name>.png. Throws
// pelmora::Error when DIR cannot be created or a picture cannot be written.
void renderScreenshots(const QString& directory, const settings::Paths& paths);

} // namespace pelmora::app
