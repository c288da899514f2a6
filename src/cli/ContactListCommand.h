#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace pelmora::cli {

// `contacts list [--category1|2|3 NAME] [--with-url] [--where EXPR] [--order FIELD]`: the words
// after "list"; prints the contacts as a JSON array.
int contactsList(Context& context, std::vector<std::string> words);

extern const CommandGroup contactsGroup;

} // namespace pelmora::cli
