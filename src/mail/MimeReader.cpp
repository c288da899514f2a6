#include "mail/MimeReader.h"

#include "mail/Base64.h"
#include "mail/Charset.h"
#include "mail/HtmlText.h"
#include "mail/MailErrors.h"
#include "mail/TQuotedPrintable.h"
#include "mail/TextUtil.h"
#include "mail/TmsMessageDecoder.h"
#include "mail/UUCode.h"

#include <cctype>

namespace pelmora::mail {

namespace {

using text::lower;
using text::startsWith;

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// A header field line: a name of printable characters, then ":".
bool looksLikeField(std::string_view line)
{
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    if (name.empty())
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127)
            return false;
    }
    return true;
}

// Content lines joined with CR LF; the line end before a delimiter belongs to the delimiter.
struct TextSink {
    std::string& out;
    bool pending = false;
    void line(std::string_view text)
    {
        if (pending)
            out += "\r\n";
        out.append(text);
        pending = true;
    }
};

struct QuotedPrintableSink {
    std::string& out;
    bool pending = false;
    void line(std::string_view text)
    {
        if (pending)
            out += "\r\n";
        pending = !qpDecodeLine(text, out);
    }
};

struct Base64Sink {
    Base64Decoder decoder;
    void line(std::string_view text)
    {
        // A lone "." is the end of a POP3 transfer left in the text, never data.
        if (text != ".")
            decoder.feed(text);
    }
};

struct UUSink {
    std::string& out;
    void line(std::string_view text)
    {
        if (text.empty() || text == "`" || lower(text) == "end" || IsUUBeginLine(text))
            return;
        out += UUDecodeLine(text);
    }
};

struct NullSink {
    void line(std::string_view) {}
};

} // namespace

MimeReader::PartInfo MimeReader::describe(const TmsHeaders& headers)
{
    PartInfo info;
    info.rawType = rawHeaderValue(headers, "Content-Type");
    info.hasType = !isBlank(info.rawType);
    info.type = parseHeaderParams(info.rawType);
    // "text/plain charset=..." without its ";": the type is the first word.
    info.type.value = info.type.value.substr(0, info.type.value.find_first_of(" \t"));
    std::string encoding = lower(rawHeaderValue(headers, "Content-Transfer-Encoding"));
    std::size_t start = encoding.find_first_not_of(" \t\"");
    info.encoding = start == std::string::npos ? std::string() : encoding.substr(start);
    info.encoding = info.encoding.substr(0, info.encoding.find_first_of(" \t;\"("));
    info.rawDisposition = rawHeaderValue(headers, "Content-Disposition");
    info.disposition = parseHeaderParams(info.rawDisposition);
    info.disposition.value = info.disposition.value.substr(0, info.disposition.value.find_first_of(" \t"));
    return info;
}

bool MimeReader::nextLine(std::string_view& line)
{
    if (m_hasPushedBack) {
        m_hasPushedBack = false;
        line = m_pushedBack;
        return true;
    }
    return m_input.next(line);
}

bool MimeReader::boundaryLine(std::string_view line, Stop& stop) const
{
    if (line.size() < 2 || line[0] != '-' || line[1] != '-')
        return false;
    for (std::size_t level = m_boundaries.size(); level-- > 0;) {
        const std::string& boundary = m_boundaries[level];
        if (!startsWith(line, boundary))
            continue;
        std::string_view rest = line.substr(boundary.size());
        if (startsWith(rest, "--")) {
            stop = {StopKind::Closing, level};
            return true;
        }
        // Only blanks may follow a delimiter; a longer boundary that merely starts with this
        // one is not a delimiter of it.
        if (isBlank(rest)) {
            stop = {StopKind::Delimiter, level};
            return true;
        }
    }
    return false;
}

template <typename Sink> MimeReader::Stop MimeReader::readContent(Sink& sink)
{
    std::string_view line;
    Stop stop;
    while (nextLine(line)) {
        if (boundaryLine(line, stop))
            return stop;
        sink.line(line);
    }
    return Stop{};
}

MimeReader::Stop MimeReader::skipLines()
{
    NullSink sink;
    return readContent(sink);
}

MimeReader::Stop MimeReader::decodeContent(const PartInfo& info, std::string& out)
{
    const std::string& encoding = info.encoding;
    if (encoding == "base64") {
        Base64Sink sink{Base64Decoder(out)};
        Stop stop = readContent(sink);
        sink.decoder.finish();
        return stop;
    }
    if (startsWith(encoding, "x-uue") || encoding == "uuencode" || encoding == "x-uuencode") {
        UUSink sink{out};
        return readContent(sink);
    }
    if (encoding == "quoted-printable") {
        QuotedPrintableSink sink{out};
        Stop stop = readContent(sink);
        // At the end of the text the last line end is content; before a delimiter it is not.
        if (stop.kind == StopKind::End && sink.pending && m_input.lastLineEnded())
            out += "\r\n";
        return stop;
    }
    TextSink sink{out};
    Stop stop = readContent(sink);
    if (stop.kind == StopKind::End && sink.pending && m_input.lastLineEnded())
        out += "\r\n";
    return stop;
}

bool MimeReader::readPartHeaders(TmsHeaders& headers, Stop& stop)
{
    std::string_view line;
    while (nextLine(line)) {
        if (line.empty())
            return false;
        if (boundaryLine(line, stop))
            return true;
        bool continuation = !headers.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!continuation && !looksLikeField(line)) {
            // A part without a header block: this line is already its content.
            m_pushedBack = std::string(line);
            m_hasPushedBack = true;
            return false;
        }
        headers.emplace_back(line);
    }
    throw EMessageParserError(msg::NoHeaders);
}

} // namespace pelmora::mail
