#include "mail/MimeReader.h"

#include "mail/Base64.h"
#include "mail/Charset.h"
#include "mail/HtmlText.h"
#include "mail/MailErrors.h"
#include "mail/TextUtil.h"
#include "mail/TmsMessageDecoder.h"
#include "mail/TQuotedPrintable.h"
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

// Content lines joined with their own line ends; the line end before a delimiter belongs to
// the delimiter, so it is only added once the next line comes.
struct TextSink {
    std::string& out;
    std::string_view pendingEnd;
    void line(std::string_view text, std::string_view end)
    {
        out += pendingEnd;
        out.append(text);
        pendingEnd = end;
    }
};

struct QuotedPrintableSink {
    std::string& out;
    std::string_view pendingEnd;
    void line(std::string_view text, std::string_view end)
    {
        out += pendingEnd;
        pendingEnd = qpDecodeLine(text, out) ? std::string_view() : end;
    }
};

struct Base64Sink {
    // A stray character (a mangled line, a delimiter cut short) costs that character, not the
    // part: readers skip what is not in the alphabet.
    Base64Decoder decoder;
    void line(std::string_view text, std::string_view)
    {
        // A lone "." is the end of a POP3 transfer left in the text, never data.
        if (text != ".")
            decoder.feed(text);
    }
};

struct UUSink {
    std::string& out;
    void line(std::string_view text, std::string_view)
    {
        if (text.empty() || text == "`" || lower(text) == "end" || IsUUBeginLine(text))
            return;
        out += UUDecodeLine(text);
    }
};

struct NullSink {
    void line(std::string_view, std::string_view) { }
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
        m_lineEnd = m_pushedBackEnd;
        return true;
    }
    bool more = m_input.next(line);
    m_lineEnd = m_input.lastLineEnd();
    return more;
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
            stop = { StopKind::Closing, level };
            return true;
        }
        // After a delimiter only blanks may follow, and mailers put text after those; a
        // longer boundary that merely starts with this one is not a delimiter of it.
        if (rest.empty() || rest[0] == ' ' || rest[0] == '\t') {
            stop = { StopKind::Delimiter, level };
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
        sink.line(line, m_lineEnd);
    }
    return Stop {};
}

MimeReader::Stop MimeReader::readPreamble(std::string& out)
{
    TextSink sink { out, {} };
    return readContent(sink);
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
        Base64Sink sink { Base64Decoder(out, Base64Decoder::SkipInvalid) };
        Stop stop = readContent(sink);
        sink.decoder.finish();
        return stop;
    }
    if (startsWith(encoding, "x-uue") || encoding == "uuencode" || encoding == "x-uuencode") {
        UUSink sink { out };
        return readContent(sink);
    }
    if (encoding == "quoted-printable") {
        QuotedPrintableSink sink { out, {} };
        Stop stop = readContent(sink);
        // At the end of the text the last line end is content; before a delimiter it is not.
        if (stop.kind == StopKind::End)
            out += sink.pendingEnd;
        return stop;
    }
    TextSink sink { out, {} };
    Stop stop = readContent(sink);
    if (stop.kind == StopKind::End)
        out += sink.pendingEnd;
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
            m_pushedBackEnd = m_lineEnd;
            m_hasPushedBack = true;
            return false;
        }
        headers.emplace_back(line);
    }
    // A text cut off inside a part's header block: the part is there, with no content.
    return false;
}

} // namespace pelmora::mail
