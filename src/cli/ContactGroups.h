#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace pelmora::cli {

// `pelmora contacts ...`: each subcommand is defined beside the module it drives.
extern const CommandGroup contactsGroup;

// `contacts import` and `contacts export`, over the vCard and CSV exchange.
int runContactsImport(Context& context, std::vector<std::string> words);
int runContactsExport(Context& context, std::vector<std::string> words);

} // namespace pelmora::cli
