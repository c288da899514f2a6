#include "mailstore/MailImport.h"

#include "base/Error.h"
#include "mailstore/Inbox.h"

#include <algorithm>
#include <fstream>
#include <unordered_set>
#include <vector>

namespace pelmora::mailstore {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kBlock = 1 << 20;

[[noreturn]] void cannotOpen()
{
    throw Error("File Can't be Open");
}

bool isSeparator(std::string_view line, MailboxFormat format)
{
    switch (format) {
    case MailboxFormat::Netscape:
        return line.starts_with("From -");
    case MailboxFormat::Eudora:
        return line.starts_with("From ???@???");
    case MailboxFormat::Mbox:
        return line.starts_with("From ");
    case MailboxFormat::Maildir:
        break;
    }
    return false;
}

bool blank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

// Cuts a single-file mailbox into messages, one line at a time, so that no more than one
// message and one read block are held whatever the size of the file.
class Splitter {
public:
    Splitter(MailboxFormat format, const std::function<bool(std::string_view)>& chunk)
        : m_format(format)
        , m_chunk(chunk)
        // Text before the first separator of an mbox file is no message (mbox writers put
        // none there); the older layouts keep it as a message of its own.
        , m_inMessage(format != MailboxFormat::Mbox)
    {
    }

    // Feeds a block; false once the receiver asked to stop.
    bool feed(std::string_view block)
    {
        for (std::size_t at = 0; at < block.size();) {
            if (m_afterCr) {
                m_afterCr = false;
                if (block[at] == '\n') {
                    ++at;
                    continue;
                }
            }
            const std::size_t end = block.find_first_of("\r\n", at);
            if (end == std::string_view::npos) {
                m_line.append(block.substr(at));
                break;
            }
            m_line.append(block.substr(at, end - at));
            m_afterCr = block[end] == '\r';
            at = end + 1;
            if (!line())
                return false;
        }
        return true;
    }

    bool finish()
    {
        if (!m_line.empty() && !line())
            return false;
        return emit();
    }

private:
    bool line()
    {
        std::string_view text = m_line;
        if (m_first) {
            m_first = false;
            if (text.starts_with(kBom))
                text.remove_prefix(kBom.size());
        }
        bool go = true;
        if (isSeparator(text, m_format)) {
            go = emit();
            m_inMessage = true;
        } else if (m_inMessage) {
            m_text.append(text).push_back('\n');
        }
        m_line.clear();
        return go;
    }

    bool emit()
    {
        bool go = true;
        if (m_inMessage && !blank(m_text))
            go = m_chunk(m_text);
        m_text.clear();
        return go;
    }

    MailboxFormat m_format;
    const std::function<bool(std::string_view)>& m_chunk;
    bool m_inMessage;
    bool m_first = true;
    bool m_afterCr = false;
    std::string m_line;
    std::string m_text;
};

void forEachMaildirMessage(const std::filesystem::path& path, const std::function<bool(std::string_view)>& chunk,
    const std::function<void(std::uint64_t, std::uint64_t)>& progress)
{
    std::error_code error;
    if (!std::filesystem::is_directory(path / "cur", error) && !std::filesystem::is_directory(path / "new", error))
        cannotOpen();
    std::vector<std::filesystem::path> files;
    std::uint64_t total = 0;
    for (const char* sub : { "cur", "new" }) {
        std::filesystem::directory_iterator it(path / sub, error), end;
        for (; !error && it != end; it.increment(error)) {
            if (it->path().filename().string().starts_with(".") || !it->is_regular_file(error))
                continue;
            files.push_back(it->path());
            total += it->file_size(error);
        }
        error.clear();
    }
    // Maildir names begin with the time of delivery: their order is the mailbox's order.
    std::sort(files.begin(), files.end(),
        [](const auto& a, const auto& b) { return a.filename().string() < b.filename().string(); });
    std::uint64_t done = 0;
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            cannotOpen();
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            cannotOpen();
        done += text.size();
        std::string_view view = text;
        if (view.starts_with(kBom))
            view.remove_prefix(kBom.size());
        if (!blank(view) && !chunk(view))
            return;
        if (progress)
            progress(done, total);
    }
}

} // namespace

std::optional<MailboxFormat> formatFromName(std::string_view name)
{
    if (name == "netscape")
        return MailboxFormat::Netscape;
    if (name == "eudora")
        return MailboxFormat::Eudora;
    if (name == "mbox")
        return MailboxFormat::Mbox;
    if (name == "maildir")
        return MailboxFormat::Maildir;
    return std::nullopt;
}

std::string formatName(MailboxFormat format)
{
    switch (format) {
    case MailboxFormat::Netscape:
        return "netscape";
    case MailboxFormat::Eudora:
        return "eudora";
    case MailboxFormat::Mbox:
        return "mbox";
    case MailboxFormat::Maildir:
        break;
    }
    return "maildir";
}

std::optional<MailboxFormat> formatFromDefImp(int defImp)
{
    if (defImp == 0)
        return MailboxFormat::Netscape;
    if (defImp == 1)
        return MailboxFormat::Eudora;
    return std::nullopt;
}

std::string importProgramCaption(int defImp)
{
    switch (defImp) {
    case 0:
        return "Netscape (Messenger, Netscape Mail)";
    case 1:
        return "Eudora (Light and Pro)";
    case 2:
        return "Microsoft (Internet Mail, Outlook)";
    default:
        return {};
    }
}

void forEachMessage(const std::filesystem::path& path, MailboxFormat format,
    const std::function<bool(std::string_view text)>& chunk,
    const std::function<void(std::uint64_t done, std::uint64_t total)>& progress)
{
    if (format == MailboxFormat::Maildir) {
        forEachMaildirMessage(path, chunk, progress);
        return;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        cannotOpen();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        cannotOpen();
    const std::uint64_t total = std::filesystem::file_size(path, error);
    Splitter splitter(format, chunk);
    std::string block(kBlock, '\0');
    std::uint64_t done = 0;
    for (;;) {
        in.read(block.data(), std::streamsize(block.size()));
        const auto count = static_cast<std::size_t>(in.gcount());
        if (in.bad())
            cannotOpen();
        if (count == 0)
            break;
        done += count;
        if (!splitter.feed(std::string_view(block.data(), count)))
            return;
        if (progress)
            progress(done, std::max(done, total));
    }
    splitter.finish();
}

ImportResult importMailbox(Inbox& inbox, const std::filesystem::path& path, MailboxFormat format, bool dryRun,
    const std::function<void(std::uint64_t done, std::uint64_t total)>& progress, const std::atomic<bool>* stop)
{
    ImportResult result;
    std::unordered_set<std::string> seen; // a dry run stores nothing that would catch repeats
    forEachMessage(
        path, format,
        [&](std::string_view text) {
            if (stop && *stop)
                return false;
            const std::int64_t number = result.messages++;
            const std::string key = messageKey(text);
            if (inbox.contains(key) || (dryRun && !seen.insert(key).second)) {
                ++result.skipped;
                return true;
            }
            const bool keptWhole = dryRun ? !Inbox::readable(text) : inbox.storeText(text, number).keptWhole;
            ++result.stored;
            result.keptWhole += keptWhole;
            return true;
        },
        progress);
    return result;
}

} // namespace pelmora::mailstore
