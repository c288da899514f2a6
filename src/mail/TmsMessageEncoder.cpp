#include "mail/TmsMessageEncoder.h"

#include "mail/Charset.h"
#include "mail/TQuotedPrintable.h"
#include "mail/UUCode.h"
#include "mail/TextUtil.h"

#include <random>

namespace pelmora::mail {

namespace {

constexpr std::size_t LongLine = 256;
constexpr std::size_t UUChunk = 45;

std::mt19937& randomGenerator()
{
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

// Body text that a 7-bit part cannot carry as it stands: control characters other than TAB.
bool hasControls(std::string_view line)
{
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 32 && byte != '\t') || byte == 127)
            return true;
    }
    return false;
}

} // namespace

std::string makeBoundary()
{
    std::uniform_int_distribution<int> digit(0, 8);
    std::string boundary;
    for (int i = 0; i < 8; ++i)
        boundary += static_cast<char>('0' + digit(randomGenerator()));
    return boundary;
}

TmsMessageEncoder::TmsMessageEncoder(const TmsMessage& message, std::ostream& out) : m_message(message), m_out(out)
{
    bool ascii = true;
    bool controls = false;
    for (const std::string& line : message.Body) {
        m_longLines = m_longLines || line.size() >= LongLine;
        ascii = ascii && isAscii(line);
        controls = controls || hasControls(line);
        m_bodyText += line;
        m_bodyText += "\r\n";
    }
    m_bodyCharSet = message.CharSet;
    if (message.CharSet == csISO8859) {
        // The body is held as UTF-8; it is written in Latin-1 when every character fits.
        if (std::optional<std::string> latin1 = utf8ToLatin1(m_bodyText))
            m_bodyText = std::move(*latin1);
        else
            m_bodyCharSet = csUTF8;
    } else if (message.CharSet == csUSASCII && !ascii) {
        m_bodyCharSet = csUTF8;
    }
    // Control characters would not survive a 7-bit part; quoted-printable keeps them.
    m_longLines = m_longLines || controls;
}

void TmsMessageEncoder::writeLine(std::string_view line)
{
    m_out.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_out.write("\r\n", 2);
}

void TmsMessageEncoder::Write()
{
    writeHeaderBlock();
    std::string contentType = m_message.ContentType();
    if (m_message.Encoding == meUU) {
        writeUULayout();
    } else if (contentType == "multipart/mixed") {
        writeMultipart(false);
    } else if (contentType == "text/plain" && m_message.Attachments.Count() == 0) {
        writeTextPartHeader();
        writeLine("");
        writeBodyLines();
    } else if (contentType == "multipart/alternative") {
        writeMultipart(true);
    } else {
        writeSingleAttachment();
    }
    m_out.flush();
}

void TmsMessageEncoder::writeTextPartHeader()
{
    if (m_bodyCharSet == csISO8859) {
        writeLine("Content-Type: text/plain; charset=\"iso-8859-1\"");
        writeLine("Content-Transfer-Encoding: quoted-printable");
    } else if (m_bodyCharSet == csUTF8) {
        writeLine("Content-Type: text/plain; charset=\"utf-8\"");
        writeLine("Content-Transfer-Encoding: quoted-printable");
    } else {
        writeLine("Content-Type: text/plain; charset=\"us-ascii\"");
        writeLine(m_longLines ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
    }
}

void TmsMessageEncoder::writeBodyLines()
{
    if (m_bodyCharSet != csUSASCII || m_longLines) {
        std::vector<std::string> lines;
        TQuotedPrintable(m_bodyText, lines).Encode();
        for (const std::string& line : lines)
            writeLine(line);
        return;
    }
    for (const std::string& line : m_message.Body) {
        // A line end inside one element would make a bare line end in the message.
        for (std::string_view part : text::splitLines(line))
            writeLine(part);
        if (line.empty())
            writeLine("");
    }
}

void TmsMessageEncoder::writeUULayout()
{
    writeLine("");
    for (const std::string& line : m_message.Body)
        writeLine(line);
    for (int i = 0; i < m_message.Attachments.Count(); ++i) {
        const TmsAttItem& item = m_message.Attachments.Items(i);
        writeLine("");
        writeLine("begin 600 " + singleLine(bareFileName(item.FileName.str())));
        writeChunked(item.Stream, UUChunk, UUEncodeLine);
        writeLine("`");
        writeLine("end");
    }
}

void TmsMessageEncoder::writeChunked(std::string_view data, std::size_t chunkSize,
                                     std::string (*encode)(std::string_view))
{
    // Chunks until one comes short; that last one, even when empty, is written too.
    std::size_t pos = 0;
    for (;;) {
        std::string_view chunk = data.substr(pos, chunkSize);
        writeLine(encode(chunk));
        pos += chunk.size();
        if (chunk.size() < chunkSize)
            break;
    }
}

void TmsMessageEncoder::writeDelimiter(const std::string& boundary)
{
    writeLine("");
    writeLine("--" + boundary);
}

} // namespace pelmora::mail
