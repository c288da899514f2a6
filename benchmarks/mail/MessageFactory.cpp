#include "MessageFactory.h"

#include "mail/Base64.h"

#include <random>

namespace pelmora::bench {

namespace {

const char* const Words[]
    = { "the", "contact", "meeting", "invoice", "attached", "please", "review", "schedule", "project",
          "\xFC"
          "ber",
          "caf\xE9", "regards", "tomorrow", "report" };

std::string headerBlock(std::mt19937& random, const std::string& contentType)
{
    std::string h;
    for (int i = 0; i < 6; ++i)
        h += "Received: from mx" + std::to_string(random() % 100) + ".example.net (mx.example.net [192.0.2."
            + std::to_string(random() % 255) + "])\r\n\tby mail.example.com with ESMTPS id " + std::to_string(random())
            + "\r\n\tfor <user@example.com>; Mon, 7 Dec 2026 10:00:00 +0100\r\n";
    h += "From: \"Doe, Ann\" <ann@example.com>\r\nTo: Bob <bob@example.org>, carl@example.net\r\n"
         "Subject: =?utf-8?Q?Quarterly_report_=E2=82=AC?=\r\nDate: Mon, 7 Dec 2026 10:00:00 +0100\r\n"
         "Message-ID: <"
        + std::to_string(random()) + "@example.com>\r\nMIME-Version: 1.0\r\n" + contentType + "\r\n\r\n";
    return h;
}

} // namespace

std::string makeText(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string text;
    std::size_t lineStart = 0;
    while (text.size() < size) {
        text += Words[random() % std::size(Words)];
        if (text.size() - lineStart > 70) {
            text += "\r\n";
            lineStart = text.size();
        } else {
            text += random() % 9 == 0 ? ", " : " ";
        }
    }
    return text;
}

std::string makeBinary(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (char& c : data)
        c = static_cast<char>(random());
    return data;
}

std::vector<std::string> makeMessages(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::string> messages;
    for (std::size_t n = 0; n < count; ++n) {
        std::string m
            = headerBlock(random, "Content-Type: multipart/mixed; boundary=\"=_mixed_" + std::to_string(n) + "\"");
        std::string b = "--=_mixed_" + std::to_string(n);
        std::string text = makeText(1500 + random() % 4000, static_cast<unsigned>(random()));
        m += "This is a multi-part message in MIME format.\r\n\r\n" + b
            + "\r\nContent-Type: multipart/alternative; boundary=\"=_alt\"\r\n\r\n--=_alt\r\n"
              "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
            + text + "\r\n--=_alt\r\nContent-Type: text/html; charset=iso-8859-1\r\n\r\n<html><body><p>" + text
            + "</p></body></html>\r\n--=_alt--\r\n";
        int attachments = 1 + static_cast<int>(random() % 3);
        for (int a = 0; a < attachments; ++a) {
            std::size_t size = 20000 + random() % 400000;
            m += "\r\n" + b + "\r\nContent-Type: application/pdf; name=\"file" + std::to_string(a)
                + ".pdf\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"file"
                + std::to_string(a) + ".pdf\"\r\n\r\n"
                + mail::base64EncodeLines(makeBinary(size, static_cast<unsigned>(random())));
        }
        m += "\r\n" + b + "--\r\n";
        messages.push_back(std::move(m));
    }
    return messages;
}

void writeLargeMessage(std::ostream& out, std::size_t attachmentBytes)
{
    std::mt19937 random(7);
    out << headerBlock(random, "Content-Type: multipart/mixed; boundary=\"=_big\"");
    out << "--=_big\r\nContent-Type: text/plain\r\n\r\n"
        << makeText(2000, 1) << "\r\n--=_big\r\n"
        << "Content-Type: application/octet-stream; name=\"big.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    std::string chunk = makeBinary(57 * 1024, 3);
    for (std::size_t written = 0; written < attachmentBytes; written += chunk.size())
        out << mail::base64EncodeLines(chunk);
    out << "\r\n--=_big--\r\n";
}

} // namespace pelmora::bench
