#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora::mailstore {

class Inbox;

// The mailbox layouts read: the two single-file layouts with their separator lines ("From -"
// and "From ???@???"), the common "From " mbox, and Maildir folders (cur/ and new/).
enum class MailboxFormat { Netscape, Eudora, Mbox, Maildir };

// "netscape", "eudora", "mbox", "maildir".
std::optional<MailboxFormat> formatFromName(std::string_view name);
std::string formatName(MailboxFormat format);
// The stored default import program (DefImp): 0 and 1 are the two single-file layouts; 2 is a
// program whose mailboxes cannot be read, and any other value is "not defined".
std::optional<MailboxFormat> formatFromDefImp(int defImp);
// The choice shown for DefImp 0, 1, 2.
std::string importProgramCaption(int defImp);

struct ImportResult {
    int messages = 0; // chunks that hold a message
    int stored = 0;
    int keptWhole = 0; // stored as their raw text because their structure could not be read
    int skipped = 0; // already stored before (same Message-ID, or same text)
};

// Reads the mailbox message by message (never all of it at once: one message and a read
// buffer at a time) and stores each in the inbox as retrieval does. With `dryRun` nothing is
// stored and the counts say what would be. `progress` gets bytes read of the total; `stop`,
// when set, ends the import after the current message. Throws pelmora::Error "File Can't be
// Open" when the mailbox cannot be read; messages stored before stay.
ImportResult importMailbox(Inbox& inbox, const std::filesystem::path& path, MailboxFormat format, bool dryRun,
    const std::function<void(std::uint64_t done, std::uint64_t total)>& progress = {},
    const std::atomic<bool>* stop = nullptr);

// Cuts the mailbox into message texts (line ends made LF, the separator line left out, chunks
// of blank lines skipped) and hands each to `chunk`; returns false from `chunk` to stop.
void forEachMessage(const std::filesystem::path& path, MailboxFormat format,
    const std::function<bool(std::string_view text)>& chunk,
    const std::function<void(std::uint64_t done, std::uint64_t total)>& progress = {});

} // namespace pelmora::mailstore
