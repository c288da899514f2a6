#pragma once

#include "cli/Command.h"

namespace pelmora::cli {

// `pelmora contacts ...`: each kind of work with whole contacts has its handlers in a file of
// its own; the group's dispatcher hands each command to the file that answers it.
extern const CommandGroup contactsGroup;

// `contacts import` and `contacts export`, over the vCard and CSV exchange.
int runContactsImport(Context& context, std::vector<std::string> words);
int runContactsExport(Context& context, std::vector<std::string> words);

bool isContactDuplicateCommand(const std::string& command);
int runContactDuplicateCommand(Context& context, const std::string& command, std::vector<std::string> words);

// `contacts list [--category1|2|3 NAME] [--with-url] [--where EXPR] [--order FIELD]`: the words
// after "list"; prints the contacts as the Contact and URL lists narrow them, as a JSON array.
int contactsList(Context& context, std::vector<std::string> words);

} // namespace pelmora::cli
