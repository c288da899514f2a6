#pragma once

#include "cli/Command.h"

namespace pelmora::cli {

// The list commands beside the list windows: activities, documents and the help pages.
extern const CommandGroup activitiesGroup;
extern const CommandGroup documentsGroup;
extern const CommandGroup helpGroup;

} // namespace pelmora::cli
