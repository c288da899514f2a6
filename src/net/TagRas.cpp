#include "net/TagRas.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <chrono>

namespace pelmora::net {

std::string rasErrorText(int code)
{
    return "RAS error no " + std::to_string(code);
}

namespace {

class NoRasBackend final : public RasBackend {
public:
    std::vector<std::string> entries() override { return {}; }
    std::unique_ptr<RasDial> dial(const std::string&, const std::string&) override { return nullptr; }
};

} // namespace

std::unique_ptr<RasBackend> makeNoRasBackend()
{
    return std::make_unique<NoRasBackend>();
}

TagRas::TagRas(std::unique_ptr<RasBackend> backend, EventPump* pump)
    : m_backend(backend ? std::move(backend) : makeNoRasBackend())
    , m_ownPump(pump ? nullptr : makePollEventPump())
    , m_pump(pump ? pump : m_ownPump.get())
{
    Entries();
}

TagRas::~TagRas()
{
    // A line we dialed must not outlive the program that can hang it up.
    if (m_dial)
        m_dial->hangUp();
}

const std::vector<std::string>& TagRas::Entries()
{
    m_entries = m_backend->entries();
    return m_entries;
}

std::optional<std::string> TagRas::setService(const std::string& name)
{
    if (name.empty()) {
        m_service.clear();
        return std::nullopt;
    }
    if (!RasPresent())
        return std::string("TagRas component was unable to detect\rRAS on your system.");
    if (m_connected)
        return std::string("This property can be set only before\restablishing the connection");
    // Read into a list of our own before comparing: `name` may be an element of the list
    // Entries() handed out before, which refreshing m_entries would free under it.
    std::vector<std::string> entries = m_backend->entries();
    const bool known = std::find(entries.begin(), entries.end(), name) != entries.end();
    m_service = known ? name : std::string();
    m_entries = std::move(entries);
    if (!known)
        return std::string("Invalid service name");
    return std::nullopt;
}

bool TagRas::alreadyConnected()
{
    // Our own line does not count: a second Connect dials again.
    const long own = m_dial ? m_dial->id() : 0;
    const std::vector<RasConnection> links = m_backend->connections();
    for (const RasConnection& link : links) {
        if (link.entry == m_service && (own == 0 || link.id != own))
            return true;
    }
    if (ForceService)
        return false;
    return std::any_of(links.begin(), links.end(),
        [own](const RasConnection& link) { return link.hasAddress && (own == 0 || link.id != own); });
}

void TagRas::Connect()
{
    if (m_service.empty() || alreadyConnected()) {
        // A line someone else brought up is used as it is and left alone at hang-up. A line of
        // ours from an earlier Connect would be left where nothing could end it: it goes.
        if (m_dial)
            HangUp();
        m_connected = true;
        m_dialedByMe = false;
        return;
    }
    // A second Connect dials again; the line of the first is ours, so it is hung up rather than
    // left running where nothing could end it.
    if (m_dial)
        HangUp();
    std::string password;
    if (!m_backend->hasOwnPassword(m_service)) {
        password = Password;
        if (!RemovePassword && !password.empty())
            m_backend->keepPassword(m_service, password);
    }
    m_dial = m_backend->dial(m_service, password);
    if (!m_dial)
        return;
    m_dialedByMe = true;
    m_connected = false;
    m_cancelled = false;

    using Clock = std::chrono::steady_clock;
    const bool limited = TimeOut > 0;
    const auto deadline = Clock::now() + std::chrono::seconds(limited ? TimeOut : 0);
    std::string error;
    bool timedOut = false;
    for (;;) {
        std::vector<std::string> texts;
        RasDial::State state = m_dial ? m_dial->process(texts, error) : RasDial::State::Failed;
        for (const std::string& text : texts)
            if (OnStatusChange)
                OnStatusChange(*this, text);
        if (m_cancelled || !m_dial)
            break;
        if (state == RasDial::State::Connected) {
            m_connected = true;
            if (MinimizeAtConnect)
                minimizeConnectionWindow();
            return;
        }
        if (state == RasDial::State::Failed)
            break;
        auto wait = std::chrono::milliseconds(1000);
        if (limited) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                timedOut = true;
                break;
            }
            wait = std::min(wait, left);
        }
        if (m_dial->fd() >= 0)
            m_pump->waitFor(m_dial->fd(), EventPump::Readable, wait);
        else
            m_pump->sleepFor(std::min(wait, std::chrono::milliseconds(50))); // nothing to wait on: look again soon
    }
    // Every way out of a dial that did not connect ends the dial, so no half-open line is left.
    HangUp();
    if (m_cancelled)
        throw ECanceledError();
    if (timedOut)
        throw ETimedOutError();
    throw ERASError(error.empty() ? rasErrorText(0) : error);
}

void TagRas::minimizeConnectionWindow()
{
    // The window appears once the line is up; it is given a moment to show before it is looked for.
    m_pump->sleepFor(std::chrono::milliseconds(1000));
    if (MinimizeWindow)
        MinimizeWindow("Connected to " + m_service);
}

void TagRas::Disconnect()
{
    HangUp();
    m_cancelled = true;
    m_pump->wake();
}

void TagRas::HangUp()
{
    if (m_dial && m_dialedByMe) {
        m_dial->hangUp();
        m_dial.reset();
        if (OnDisconnected)
            OnDisconnected(*this);
    }
    m_dial.reset();
    m_connected = false;
}

} // namespace pelmora::net
