#include "mail/MimeReader.h"

#include "mail/Charset.h"
#include "mail/HeaderWords.h"
#include "mail/HtmlText.h"
#include "mail/MailErrors.h"
#include "mail/TextUtil.h"
#include "mail/TmsMessageDecoder.h"

#include <cctype>
#include <sstream>

namespace pelmora::mail {

namespace {

using text::startsWith;

// The parameter as the loosest readers find it: the first occurrence of its name anywhere in
// the value, for values whose parameters are not separated as they should be.
std::string looseParam(const std::string& value, const std::string& name)
{
    std::string lowerValue = text::lower(value);
    std::size_t pos = lowerValue.find(name + "=");
    if (pos == std::string::npos)
        return {};
    std::string_view rest = std::string_view(value).substr(pos + name.size() + 1);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        return std::string(rest.substr(0, rest.find('"')));
    }
    std::string_view token = rest.substr(0, rest.find_first_of(" \t;"));
    return std::string(token);
}

// The subject of an attached message, read from its own header block.
std::string attachedSubject(const std::string& content)
{
    std::istringstream in(content);
    TLineStream lines(in);
    TmsHeaders headers;
    std::string_view line;
    while (lines.next(line) && !line.empty() && headers.size() < 1000)
        headers.emplace_back(line);
    return HeaderValue(headers, "Subject");
}

std::string messageFileName(const std::string& content)
{
    std::string name;
    for (char c : attachedSubject(content)) {
        if (std::string_view("/\\:*?\"<>|").find(c) == std::string_view::npos && static_cast<unsigned char>(c) >= 32)
            name += c;
    }
    name = cutUtf8(name, 100);
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    std::size_t start = name.find_first_not_of(" .");
    name = start == std::string::npos ? std::string() : name.substr(start);
    return name.empty() ? "message.eml" : name + ".eml";
}

std::string partFileName(const MimeReader::PartInfo& info)
{
    std::string name = info.type.text("name");
    if (name.empty())
        name = info.disposition.text("filename");
    if (name.empty())
        name = DecodeHeaderWords(looseParam(info.rawType, "name"));
    if (name.empty())
        name = DecodeHeaderWords(looseParam(info.rawDisposition, "filename"));
    return safeFileName(name);
}

} // namespace

void MimeReader::parse(const TmsHeaders& mainHeaders)
{
    parseEntity(mainHeaders, 0, false, true);
    finishHtmlBody();
}

MimeReader::Stop MimeReader::parseEntity(
    const TmsHeaders& headers, int depth, bool inAlternative, bool top, bool inDigest)
{
    PartInfo info = describe(headers);
    // A part that gives no type is plain text (a message in a digest), as every reader takes
    // it; it is read as such, not as a fault.
    if (!info.hasType && !top)
        info.type.value = inDigest ? "message/rfc822" : "text/plain";
    if (startsWith(info.type.value, "multipart/") && depth < MaxDepth) {
        std::string boundary = info.type.param("boundary");
        if (boundary.empty() && top)
            throw EMessageParserError(msg::NoBoundary);
        if (!boundary.empty()) {
            bool alternative = inAlternative || info.type.value == "multipart/alternative";
            return parseMultipart(boundary, depth, alternative, info.type.value == "multipart/digest");
        }
    }
    return parseLeaf(info, inAlternative, top);
}

MimeReader::Stop MimeReader::parseMultipart(const std::string& boundary, int depth, bool inAlternative, bool digest)
{
    const std::size_t level = m_boundaries.size();
    m_boundaries.push_back("--" + boundary);
    std::string preamble;
    Stop stop = readPreamble(preamble);
    if (stop.kind == StopKind::End && depth == 0)
        throw EMessageParserError(msg::NoBoundary);
    if (stop.level != level || stop.kind == StopKind::End) {
        // A nested multipart whose own boundary never comes: its text is kept as a part.
        m_boundaries.resize(level);
        if (!text::trim(preamble).empty())
            addUnstructuredPart(std::move(preamble));
        return stop;
    }
    while (stop.kind == StopKind::Delimiter && stop.level == level) {
        TmsHeaders headers;
        if (!readPartHeaders(headers, stop))
            stop = parseEntity(headers, depth + 1, inAlternative, false, digest);
    }
    m_boundaries.resize(level);
    // After the closing delimiter comes the epilogue, up to a delimiter of an outer part.
    if (stop.kind == StopKind::Closing && stop.level == level)
        stop = skipLines();
    return stop;
}

MimeReader::Stop MimeReader::parseLeaf(const PartInfo& info, bool inAlternative, bool top)
{
    const std::string& type = info.type.value;
    std::string name = partFileName(info);
    bool attachment = info.disposition.value == "attachment" || !name.empty();
    bool plainText = type.empty() || type == "text/plain" || (top && startsWith(type, "text/") && type != "text/html");
    if (!m_bodyTaken && !attachment && plainText)
        return readBody(info);
    bool htmlBody = !m_bodyTaken && !attachment && m_htmlIndex < 0 && type == "text/html";
    return readAttachment(info, name, inAlternative, htmlBody);
}

MimeReader::Stop MimeReader::readBody(const PartInfo& info)
{
    m_bodyTaken = true;
    std::string bytes;
    Stop stop = decodeContent(info, bytes);
    std::string charset = info.type.text("charset");
    std::string utf8 = toUtf8(bytes, charset);
    m_message.Body.clear();
    for (std::string_view line : text::splitLines(utf8))
        m_message.Body.emplace_back(line);
    std::string lowerCharset = text::lower(charset);
    if (lowerCharset == "utf-8" || lowerCharset == "utf8")
        m_message.CharSet = csUTF8;
    else if (info.encoding == "quoted-printable")
        m_message.CharSet = csISO8859;
    return stop;
}

MimeReader::Stop MimeReader::readAttachment(const PartInfo& info, std::string name, bool inAlternative, bool htmlBody)
{
    auto item = std::make_unique<TmsAttItem>();
    Stop stop = decodeContent(info, item->Stream);
    const std::string& type = info.type.value;
    if (name.empty() && type == "message/rfc822")
        name = messageFileName(item->Stream);
    if (name.empty()) {
        std::string prefix = inAlternative || htmlBody ? "_alt." : "att.";
        name = prefix + std::to_string(m_message.Attachments.Count());
    }
    item->SetFileName(name);
    // The declared type says more than a generated name's extension ever can.
    if (!type.empty() && type != "application/octet-stream" && type.find('/') != std::string::npos)
        item->ContentType = type;
    const std::string& encoding = info.encoding;
    if (encoding == "base64" || startsWith(encoding, "x-uue") || encoding == "uuencode")
        item->Encoding = aeBase64;
    else if (encoding == "quoted-printable")
        item->Encoding = aeQuotedPrintable;
    else if ((encoding == "8bit" || encoding == "binary") && !startsWith(type, "text/")
        && !startsWith(type, "message/"))
        item->Encoding = aeBase64; // raw binary would not survive being written as 7-bit lines
    else
        item->Encoding = aeSevenBit;
    if (htmlBody) {
        m_htmlIndex = m_message.Attachments.Count();
        m_htmlCharset = info.type.text("charset");
    }
    m_message.Attachments.AddItem(std::move(item));
    return stop;
}

void MimeReader::addUnstructuredPart(std::string content)
{
    if (!m_bodyTaken) {
        m_bodyTaken = true;
        std::string utf8 = toUtf8(content, {});
        for (std::string_view line : text::splitLines(utf8))
            m_message.Body.emplace_back(line);
        return;
    }
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName("att." + std::to_string(m_message.Attachments.Count()));
    item->ContentType = "text/plain";
    item->Encoding = aeSevenBit;
    item->Stream = std::move(content);
    m_message.Attachments.AddItem(std::move(item));
}

void MimeReader::finishHtmlBody()
{
    if (m_bodyTaken || m_htmlIndex < 0 || !m_message.Body.empty())
        return;
    const TmsAttItem& html = m_message.Attachments.Items(m_htmlIndex);
    m_message.Body = htmlToTextLines(toUtf8(html.Stream, m_htmlCharset));
}

} // namespace pelmora::mail
