#include "mailstore/Retrieval.h"

#include "mailstore/Inbox.h"
#include "protocols/TmsCustomPOP.h"

#include <array>
#include <stdexcept>

namespace pelmora::mailstore {

using protocols::TmsCustomPOP;

namespace {

// Requests on their way at once to a server that pipelines: enough to keep it sending while a
// message is stored, few enough that the replies waiting stay a small part of the socket's
// buffers.
constexpr int kRequestsAhead = 16;

// Puts the client's events back as the caller had them when the retrieval ends.
class SavedEvents {
public:
    explicit SavedEvents(TmsCustomPOP& pop)
        : m_pop(pop)
        , m_open(pop.OnOpen)
        , m_closing(pop.OnClosing)
        , m_closed(pop.OnClosed)
        , m_cancel(pop.OnCancel)
        , m_error(pop.OnError)
        , m_retrieving(pop.OnRetrieving)
        , m_progress(pop.OnProgress)
        , m_message(pop.OnMessage)
    {
    }
    ~SavedEvents()
    {
        m_pop.OnOpen = m_open;
        m_pop.OnClosing = m_closing;
        m_pop.OnClosed = m_closed;
        m_pop.OnCancel = m_cancel;
        m_pop.OnError = m_error;
        m_pop.OnRetrieving = m_retrieving;
        m_pop.OnProgress = m_progress;
        m_pop.OnMessage = m_message;
    }
    SavedEvents(const SavedEvents&) = delete;
    SavedEvents& operator=(const SavedEvents&) = delete;

    TmsCustomPOP& m_pop;
    TmsCustomPOP::NotifyEvent m_open, m_closing, m_closed, m_cancel;
    TmsCustomPOP::ErrorEvent m_error;
    TmsCustomPOP::NumNotifyEvent m_retrieving;
    TmsCustomPOP::ProgressEvent m_progress;
    TmsCustomPOP::MessageEvent m_message;
};

} // namespace

Retrieval::Retrieval(data::Database& database, std::filesystem::path attachDirectory)
    : m_inbox(std::make_unique<Inbox>(database, std::move(attachDirectory)))
{
}

Retrieval::~Retrieval() = default;

RetrievalResult Retrieval::run(TmsCustomPOP& pop, bool leaveOnServer)
{
    RetrievalResult result;
    SavedEvents saved(pop);
    auto status = [this](const std::string& text) {
        if (onStatus)
            onStatus(text);
    };
    // The caller's own handlers still see every event.
    auto chain = [](const TmsCustomPOP::NotifyEvent& theirs, std::function<void()> ours) {
        return [theirs, ours](net::TagSocket& sender) {
            ours();
            if (theirs)
                theirs(sender);
        };
    };
    pop.OnOpen = chain(saved.m_open, [&] { status("Opening connection"); });
    pop.OnClosing = chain(saved.m_closing, [&] { status("Closing connection"); });
    pop.OnClosed = chain(saved.m_closed, [&] { status("Connection closed"); });
    pop.OnCancel = chain(saved.m_cancel, [&] { status("Canceled"); });
    pop.OnError = [&](net::TagSocket& sender, std::string& text) {
        status(text);
        if (saved.m_error)
            saved.m_error(sender, text);
    };
    pop.OnRetrieving = [&](TmsCustomPOP& sender, int index) {
        status("Retrieving message " + std::to_string(index + 1) + " of " + std::to_string(sender.MessageCount()));
        if (saved.m_retrieving)
            saved.m_retrieving(sender, index);
    };
    pop.OnProgress = [&](TmsCustomPOP& sender, int percent) {
        if (onMessageProgress)
            onMessageProgress(percent);
        if (saved.m_progress)
            saved.m_progress(sender, percent);
    };
    pop.OnMessage = [&](TmsCustomPOP&, int index, std::istream& stream) {
        try {
            std::string text;
            std::array<char, 64 * 1024> block;
            while (stream.read(block.data(), block.size()) || stream.gcount() > 0)
                text.append(block.data(), std::size_t(stream.gcount()));
            if (stream.bad())
                throw std::runtime_error("Cannot read the message back from its spool file");
            const auto number = static_cast<std::int64_t>(result.messages.size());
            InboxEntry entry = m_inbox->storeText(text, number);
            RetrievedMessage message { entry.counter, number, entry.subject, entry.sender, entry.attachments,
                entry.duplicate, entry.keptWhole };
            result.messages.push_back(message);
            if (onStored)
                onStored(message);
        } catch (const std::exception& error) {
            // Thrown on, so the client leaves the message on the server for the next retrieval.
            result.leftOnServer = true;
            result.errors.push_back("Message " + std::to_string(index + 1) + ": " + error.what());
            throw;
        }
    };

    m_stop = false;
    std::vector<int> handedOn; // stored, to be deleted on the server once synced
    try {
        pop.Connect();
        const int total = pop.MessageCount();
        if (onProgress)
            onProgress(0, total);
        // A server that takes requests ahead gets several at once: it sends the next messages
        // while this one is stored, instead of both sides waiting in turn for every message.
        const int depth = total > 1 && pop.CanPipeline() ? kRequestsAhead : 1;
        int requested = 0;
        for (int index = 0; index < total; ++index) {
            if (m_stop) {
                result.stopped = true;
                status("Canceled");
                // The messages on their way after the current one stay on the server.
                pop.DiscardRequests();
                break;
            }
            while (requested < total && requested < index + depth) {
                if (depth > 1)
                    pop.RequestMessage(requested);
                ++requested;
            }
            if (pop.RetrieveMessage(index))
                handedOn.push_back(index);
            if (onProgress)
                onProgress(index + 1, total);
        }
    } catch (const std::exception& error) {
        result.error = error.what();
        result.leftOnServer = true;
    }
    auto failed = [&](const std::exception& error) {
        if (result.error.empty())
            result.error = error.what();
        result.leftOnServer = true;
    };
    // Nothing is deleted on the server before what was stored would survive a power cut: the
    // deletions are sent only after the sync, and take effect only at the sign-off. Closed
    // without signing off, the server keeps every message, stored or not; the stored ones are
    // recognised and not stored again next time.
    try {
        m_inbox->sync();
    } catch (const std::exception& error) {
        failed(error);
        pop.Close();
        return result;
    }
    // Replies still on their way after a failure leave the dialogue out of step: nothing more
    // can be said safely, so the session ends without deleting anything.
    if (pop.PendingRequests() > 0) {
        pop.Close();
        return result;
    }
    try {
        if (!leaveOnServer && pop.Connected())
            pop.DeleteMessages(handedOn);
        pop.Disconnect();
    } catch (const std::exception& error) {
        failed(error);
        pop.Close();
    }
    return result;
}

} // namespace pelmora::mailstore
