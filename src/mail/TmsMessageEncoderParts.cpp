#include "mail/TmsMessageEncoder.h"

#include "mail/Base64.h"
#include "mail/HeaderWords.h"
#include "mail/MailErrors.h"
#include "mail/TQuotedPrintable.h"
#include "mail/TextUtil.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

namespace pelmora::mail {

namespace {

constexpr std::size_t Base64Chunk = 57;

// The fields the composer writes itself; the first of each is dropped from the extra headers.
const char* const OwnFields[] = {"From", "To", "CC", "BCC", "Return-Receipt-To", "X-Priority", "Subject",
                                 "Mime-Version", "Content-Type", "X-Encoding", "Content-Transfer-Encoding"};

// A file name as a quoted parameter value: quotes and backslashes escaped, non-ASCII names
// as encoded words, which every current reader decodes.
std::string quotedFileName(const TmsAttItem& item)
{
    std::string name = encodeHeaderText(singleLine(bareFileName(item.FileName.str())));
    std::string out;
    for (char c : name) {
        if (c == '\r' || c == '\n')
            continue;
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return "\"" + out + "\"";
}

std::string rfc5322Date()
{
    static const char* const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    long offset = local.tm_gmtoff / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", Days[local.tm_wday % 7],
                  local.tm_mday, Months[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return text;
}

std::string messageId(const std::string& senderAddress)
{
    std::string domain;
    std::size_t at = senderAddress.rfind('@');
    if (at != std::string::npos) {
        for (char c : senderAddress.substr(at + 1)) {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-')
                domain += c;
        }
    }
    if (domain.empty())
        domain = "pelmora.invalid";
    static std::mt19937_64 generator{std::random_device{}()};
    auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    char text[64];
    std::snprintf(text, sizeof text, "%016llx.%llx", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long long>(stamp));
    return "<" + std::string(text) + "@" + domain + ">";
}

// An extra header line that can be written as it stands: one line, and either a field
// ("Name: value") or the continuation of one. Anything else would end the header block.
bool isWritableHeader(const std::string& line)
{
    if (line.empty())
        return false;
    if (line[0] == ' ' || line[0] == '\t')
        return line.find_first_not_of(" \t") != std::string::npos;
    std::size_t colon = line.find(':');
    return colon != std::string::npos && colon > 0 && line.find_first_of(" \t") > colon;
}

} // namespace

void TmsMessageEncoder::writeHeaderBlock()
{
    const TmsMessage& m = m_message;
    writeLine("From:     " + formatDisplayName(m.Sender.Name.str()) + " <" + singleLine(m.Sender.Address.str()) + ">");
    std::string to = WriteAddressHeader("To", m.Recipients) + WriteAddressHeader("CC", m.CC);
    m_out.write(to.data(), static_cast<std::streamsize>(to.size()));
    if (m.ReturnReceipt)
        writeLine("Return-Receipt-To: <" + singleLine(m.Sender.Address.str()) + ">");
    if (m.Priority == ptLow)
        writeLine("X-Priority: 5");
    else if (m.Priority == ptHigh)
        writeLine("X-Priority: 1");
    writeExtraHeaders();
    if (!m.Subject.empty())
        writeLine("Subject:  " + encodeHeaderText(singleLine(m.Subject.str())));
    if (m.Encoding == meMIME)
        writeLine("Mime-Version: 1.0");
}

void TmsMessageEncoder::writeExtraHeaders()
{
    TmsHeaders headers = m_message.Headers;
    // Every field of these names goes, not only the first: a second Content-Type left in
    // the extra headers would come before the composer's own and mislabel the message.
    for (const char* field : OwnFields) {
        while (DeleteHeader(headers, field)) {
        }
    }
    for (std::string& line : headers) {
        line = singleLine(line);
        if (isWritableHeader(line))
            writeLine(line);
    }
    // Every message carries its date and identity, unless the caller gave them.
    if (rawHeaderValue(headers, "Date").empty())
        writeLine("Date: " + rfc5322Date());
    if (rawHeaderValue(headers, "Message-ID").empty())
        writeLine("Message-ID: " + messageId(m_message.Sender.Address.str()));
}

void TmsMessageEncoder::writeAttachmentHead(const TmsAttItem& item, bool withName)
{
    std::string type = singleLine(item.ContentType.str());
    writeLine("Content-Type: " + type + (withName ? "; name=" + quotedFileName(item) : std::string()));
    writeLine(std::string("Content-Transfer-Encoding: ") + attEncodingName(item.Encoding));
    if (withName)
        writeLine("Content-Disposition: attachment; filename=" + quotedFileName(item));
}

void TmsMessageEncoder::writeAttachmentData(const TmsAttItem& item)
{
    std::string_view data = item.Stream;
    if (item.Encoding == aeBase64) {
        writeChunked(data, Base64Chunk, Base64EncodeChunk);
    } else if (item.Encoding == aeQuotedPrintable) {
        std::string plain(data);
        std::vector<std::string> lines;
        TQuotedPrintable(plain, lines).Encode();
        for (const std::string& line : lines)
            writeLine(line);
    } else {
        for (std::string_view line : text::splitLines(data))
            writeLine(line);
    }
}

void TmsMessageEncoder::writeSingleAttachment()
{
    const TmsAttItem& item = m_message.Attachments.Items(0);
    writeAttachmentHead(item, true);
    writeLine("");
    writeAttachmentData(item);
}

void TmsMessageEncoder::writeMultipart(bool alternativeMode)
{
    const TmsAttList& attachments = m_message.Attachments;
    std::string outer = makeBoundary();
    writeLine("Content-Type: " + m_message.ContentType() + "; boundary=\"" + outer + "\"");
    writeLine("X-Encoding: MIME");
    writeLine("");
    writeLine(msg::MultipartPreamble);
    writeDelimiter(outer);
    std::string current = outer;
    std::string group;
    if (attachments.Count() > 0 && isAlternativeAttachment(attachments.Items(0))) {
        group = makeBoundary();
        current = group;
        writeLine("Content-Type:  multipart/alternative; boundary=\"" + group + "\"");
        writeLine("Content-Transfer-Encoding: 7bit");
        writeDelimiter(group);
    }
    if (!m_message.Body.empty()) {
        writeTextPartHeader();
        writeLine("");
        writeBodyLines();
        writeDelimiter(current);
    }
    for (int i = 0; i < attachments.Count(); ++i) {
        const TmsAttItem& item = attachments.Items(i);
        if (i > 0)
            writeDelimiter(current);
        writeAttachmentHead(item, !alternativeMode && group.empty());
        writeLine("");
        writeAttachmentData(item);
        writeLine("");
        bool last = i + 1 == attachments.Count();
        if (!group.empty() && (last || !isAlternativeAttachment(attachments.Items(i + 1)))) {
            writeLine("--" + group + "--");
            group.clear();
            current = outer;
        }
        if (last)
            writeLine("--" + current + "--");
    }
}

} // namespace pelmora::mail
