#include "mailstore/Outbox.h"

#include "base/Error.h"
#include "protocols/TmsSMTP.h"

namespace pelmora::mailstore {

namespace {

constexpr std::string_view kCcPrefix = "Cc: ";

std::vector<std::string> bodyLines(const std::string& body)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos)
            end = body.size();
        std::string line = body.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Everything a message needs before a connection is worth making; checked before storing as
// well, so that a recipient that can never be sent is refused at once rather than queued.
void checkAddresses(const mail::TmsMessage& message)
{
    checkAddress(message.Sender.Address.str(), "sender");
    for (const mail::TmsAddressList* list : { &message.Recipients, &message.CC }) {
        for (int i = 0; i < list->Count(); ++i)
            checkAddress(list->Items(i).Address.str(), list == &message.CC ? "Cc" : "recipient");
    }
}

} // namespace

std::string subjectOrDefault(const std::string& subject)
{
    return subject.empty() ? "No Subject" : subject;
}

std::string ccRemark(const std::string& ccLine)
{
    std::string remark;
    for (const std::string& address : splitAddresses(ccLine))
        remark += (remark.empty() ? std::string(kCcPrefix) : std::string(", ")) + address;
    return remark;
}

std::string ccFromRemark(const std::string& remark)
{
    return remark.starts_with(kCcPrefix) ? remark.substr(kCcPrefix.size()) : std::string();
}

Outbox::Outbox(data::Database& database, MailAccount account)
    : m_store(database)
    , m_account(std::move(account))
{
}

StoredMessage Outbox::rowFor(const Draft& draft) const
{
    StoredMessage row;
    row.contact = draft.contact;
    row.status = kOutgoing;
    row.queue = true;
    row.subject = subjectOrDefault(draft.subject);
    row.senderName = m_account.name;
    row.senderEmail = draft.to;
    row.toEmail = draft.to;
    row.body = draft.body;
    row.remark = ccRemark(draft.cc);
    for (const auto& path : draft.attachments)
        row.attachments.push_back(path.string());
    return row;
}

mail::TmsMessage Outbox::compose(const StoredMessage& stored) const
{
    mail::TmsMessage message;
    message.Sender = mail::TmsMailAddress(m_account.address, m_account.name);
    message.CharSet = m_account.charSet;
    message.Encoding = m_account.encoding;
    message.Subject = subjectOrDefault(stored.subject);
    if (!stored.toEmail.empty())
        message.Recipients.Add(stored.toEmail, "");
    for (const std::string& address : splitAddresses(ccFromRemark(stored.remark)))
        message.CC.Add(address, "");
    message.Body = bodyLines(stored.body);
    for (const std::string& location : stored.attachments)
        message.Attachments.AddFile(location);
    checkAddresses(message);
    return message;
}

std::int64_t Outbox::store(const Draft& draft)
{
    StoredMessage row = rowFor(draft);
    compose(row); // reads every file and checks every address before anything is written
    return m_store.insert(row);
}

SendResult Outbox::send(const Draft& draft, bool later, protocols::TmsSMTP& smtp)
{
    StoredMessage row = rowFor(draft);
    mail::TmsMessage message = compose(row);
    const std::int64_t counter = m_store.insert(row);
    if (later)
        return { counter, true, {}, {} };
    return transmit(counter, message, smtp);
}

SendResult Outbox::sendStored(std::int64_t counter, protocols::TmsSMTP& smtp)
{
    mail::TmsMessage message;
    try {
        message = compose(m_store.load(counter));
    } catch (const std::exception& e) {
        return { counter, true, {}, e.what() };
    }
    return transmit(counter, message, smtp);
}

SendResult Outbox::transmit(std::int64_t counter, mail::TmsMessage& message, protocols::TmsSMTP& smtp)
{
    SendResult result { counter, true, {}, {} };
    smtp.MailMessage = &message;
    try {
        result.reply = smtp.Send();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    smtp.MailMessage = nullptr;
    // Once the server has taken the text, the message is its: a failure after that (in the
    // good-bye) must not send it a second time.
    if (smtp.DataAccepted()) {
        m_store.markSent(counter);
        result.queued = false;
        result.reply = smtp.AcceptReply();
        result.error.clear();
    }
    return result;
}

} // namespace pelmora::mailstore
