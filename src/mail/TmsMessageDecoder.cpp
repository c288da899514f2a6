#include "mail/TmsMessageDecoder.h"

#include "mail/Charset.h"
#include "mail/MailErrors.h"
#include "mail/MimeReader.h"
#include "mail/UUCode.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace pelmora::mail {

namespace {

std::string lowerTrimmed(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\t')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// A header value without its comments ("1.0 (produced by X)" is "1.0").
std::string withoutComments(std::string_view value)
{
    std::string out;
    int depth = 0;
    for (char c : value) {
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (depth == 0)
            out += c;
    }
    return out;
}

} // namespace

void readHeaderBlock(TLineStream& input, TmsHeaders& headers)
{
    std::string_view line;
    while (input.next(line)) {
        if (line.empty())
            return;
        headers.emplace_back(line);
    }
    // A message may be all header and no body; only a text without a single line is none.
    if (headers.empty())
        throw EMessageParserError(msg::NoHeaders);
}

std::string safeFileName(std::string_view name)
{
    std::string out;
    for (char c : bareFileName(name)) {
        if (static_cast<unsigned char>(c) >= 32 && c != 127)
            out += c;
    }
    std::size_t start = out.find_first_not_of(' ');
    out = start == std::string::npos ? std::string() : out.substr(start);
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out == "." || out == ".." ? std::string() : out;
}

void TmsMessageDecoder::Parse()
{
    readHeaderBlock(m_input, m_mainHeaders);
    readFields();
    try {
        if (isMime())
            MimeReader(m_input, m_message).parse(m_mainHeaders);
        else
            parsePlain();
    } catch (const EMessageParserError& error) {
        recover(error.what());
    } catch (const EDecodeError& error) {
        recover(error.what());
    }
}

void TmsMessageDecoder::readFields()
{
    std::vector<std::string> pieces;
    HeaderAddresses(m_mainHeaders, "FROM", pieces);
    if (!pieces.empty())
        ParseAddress(pieces.front(), m_message.Sender);
    HeaderAddresses(m_mainHeaders, "TO", pieces);
    for (const std::string& piece : pieces)
        ParseAddress(piece, m_message.Recipients.Add("", ""));
    HeaderAddresses(m_mainHeaders, "CC", pieces);
    for (const std::string& piece : pieces)
        ParseAddress(piece, m_message.CC.Add("", ""));
    std::string subject = HeaderValue(m_mainHeaders, "Subject");
    if (!subject.empty())
        m_message.Subject = subject;
    // "1 (Highest)" is how most mailers write it: the number is the first word.
    std::string priority = HeaderValue(m_mainHeaders, "X-Priority");
    priority = priority.substr(0, priority.find_first_of(" \t("));
    m_message.Priority = priority == "1" ? ptHigh : priority == "5" ? ptLow : ptNormal;
    m_message.ReturnReceipt = !HeaderValue(m_mainHeaders, "Return-receipt-to").empty();
    m_message.Headers = m_mainHeaders;
}

bool TmsMessageDecoder::isMime() const
{
    if (lowerTrimmed(withoutComments(rawHeaderValue(m_mainHeaders, "MIME-VERSION"))) == "1.0")
        return true;
    // Many mailers leave the version out but still describe their content.
    return !lowerTrimmed(rawHeaderValue(m_mainHeaders, "Content-Type")).empty();
}

void TmsMessageDecoder::parsePlain()
{
    std::string_view line;
    bool begin = false;
    const std::size_t bodyStart = m_message.Body.size();
    while (m_input.next(line)) {
        if (IsUUBeginLine(line)) {
            begin = true;
            break;
        }
        m_message.Body.push_back(toUtf8(line, {}));
    }
    // The empty line that separates the text from the first file is the layout's, not text.
    if (begin && m_message.Body.size() > bodyStart && m_message.Body.back().empty())
        m_message.Body.pop_back();
    while (begin) {
        auto item = std::make_unique<TmsAttItem>();
        std::string name = safeFileName(UUBeginFileName(line));
        item->SetFileName(name.empty() ? "att." + std::to_string(m_message.Attachments.Count()) : name);
        try {
            while (m_input.next(line) && line != "`" && lowerTrimmed(line) != "end") {
                if (!line.empty())
                    item->Stream += UUDecodeLine(line);
            }
        } catch (const EDecodeError&) {
            throw EMessageParserError(msg::BadAttachment);
        }
        m_message.Attachments.AddItem(std::move(item));
        m_message.Encoding = meUU;
        begin = keepTextUpToFile(line, line == "`");
    }
}

bool TmsMessageDecoder::keepTextUpToFile(std::string_view& line, bool endLineDue)
{
    // Text between and after the files is the writer's as much as the text before them; the
    // "end" line of the file and the empty lines around it are layout.
    std::vector<std::string> text;
    bool begin = false;
    while (m_input.next(line)) {
        if ((begin = IsUUBeginLine(line)))
            break;
        if (std::exchange(endLineDue, false) && lowerTrimmed(line) == "end")
            continue;
        text.push_back(toUtf8(line, {}));
    }
    while (!text.empty() && text.back().empty())
        text.pop_back();
    auto first = std::find_if(text.begin(), text.end(), [](const std::string& kept) { return !kept.empty(); });
    m_message.Body.insert(m_message.Body.end(), first, text.end());
    return begin;
}

void TmsMessageDecoder::recover(const std::string& error)
{
    m_message.Body.push_back("The following error has been occured while processing the message:");
    m_message.Body.push_back(error);
    m_message.Body.push_back("The original message will be stored as an attachment");
    try {
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName("original.eml");
        item->Encoding = aeSevenBit;
        item->ContentType = "message/rfc822";
        m_input.copyAll(item->Stream);
        m_message.Attachments.AddItem(std::move(item));
    } catch (const std::exception&) {
        // The explanation stands on its own when the copy cannot be made.
    }
}

} // namespace pelmora::mail
