#pragma once

#include <string>

namespace pelmora::data {

class TableView;

// The steps of the data rules that need a person: the windows answer them with dialogs, the
// command line and the tests with their own answers.
class DataPrompts {
public:
    virtual ~DataPrompts() = default;

    // Shows the editor window of a newly started detail record (`editor` is its class,
    // `caption` its title) with `view` in insert state; true when it closed with OK.
    virtual bool showEditor(TableView& view, const std::string& editor, const std::string& caption) = 0;
    // A confirmation box with OK and Cancel; true for OK.
    virtual bool confirm(const std::string& text) = 0;
    // An attachment file could not be deleted; `text` is the message to show.
    virtual void fileNotDeleted(const std::string& path, const std::string& text) { (void)path, confirm(text); }
    // A new contact was started: the main window puts the focus into its first-name edit.
    virtual void newContactStarted() { }
};

// Answers every step with its default: editors close with OK, confirmations with OK.
class DefaultPrompts : public DataPrompts {
public:
    bool showEditor(TableView&, const std::string&, const std::string&) override { return true; }
    bool confirm(const std::string&) override { return true; }
};

} // namespace pelmora::data
