#include "mail/HeaderWords.h"

#include "mail/Base64.h"
#include "mail/Charset.h"
#include "mail/MailErrors.h"
#include "mail/TQuotedPrintable.h"

#include <cctype>

namespace pelmora::mail {

namespace {

struct EncodedWord {
    std::size_t end = 0; // position after "?="
    std::string text;    // decoded, UTF-8
};

// Reads the encoded word that starts at `start` ("=?"); false when it is malformed.
bool readEncodedWord(std::string_view value, std::size_t start, EncodedWord& word)
{
    std::size_t charsetEnd = value.find('?', start + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= value.size() || value[charsetEnd + 2] != '?')
        return false;
    std::string_view charset = value.substr(start + 2, charsetEnd - start - 2);
    if (charset.empty() || charset.find_first_of(" \t") != std::string_view::npos)
        return false;
    // RFC 2231 allows a language after "*": it does not change the bytes.
    charset = charset.substr(0, charset.find('*'));
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(value[charsetEnd + 1])));
    std::size_t textStart = charsetEnd + 3;
    std::size_t textEnd = value.find("?=", textStart);
    if (textEnd == std::string_view::npos || (letter != 'B' && letter != 'Q'))
        return false;
    std::string_view encoded = value.substr(textStart, textEnd - textStart);
    std::string bytes;
    if (letter == 'B') {
        try {
            bytes = Base64DecodeLine(encoded);
        } catch (const EDecodeError&) {
            return false;
        }
    } else {
        bytes = QDecodeWord(encoded);
        for (char& c : bytes) {
            if (c == '_')
                c = ' ';
        }
    }
    word.end = textEnd + 2;
    word.text = toUtf8(bytes, charset);
    return true;
}

bool onlyWhiteSpace(std::string_view text)
{
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

} // namespace

std::string DecodeHeaderWords(std::string_view text)
{
    if (text.find("=?") == std::string_view::npos)
        return toUtf8(text, {});
    std::string out;
    std::size_t pos = 0;
    bool lastWasWord = false;
    std::string pendingGap; // white space after an encoded word, dropped when another follows
    while (pos < text.size()) {
        std::size_t start = text.find("=?", pos);
        EncodedWord word;
        while (start != std::string_view::npos && !readEncodedWord(text, start, word))
            start = text.find("=?", start + 2);
        std::string_view gap = text.substr(pos, start == std::string_view::npos ? std::string_view::npos : start - pos);
        if (!(lastWasWord && start != std::string_view::npos && onlyWhiteSpace(gap)))
            out += toUtf8(gap, {});
        if (start == std::string_view::npos)
            break;
        out += word.text;
        pos = word.end;
        lastWasWord = true;
    }
    return out;
}

std::string encodeHeaderText(std::string_view utf8)
{
    bool plain = utf8.find("=?") == std::string_view::npos;
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x7F || (byte < 32 && byte != '\t'))
            plain = false;
    }
    if (plain)
        return std::string(utf8);
    std::string text;
    for (char c : utf8)
        text += (c == '\r' || c == '\n') ? ' ' : c;
    // 45 bytes make 60 base64 characters: a word of 72 characters, within the limit of 75.
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t len = std::min<std::size_t>(45, text.size() - pos);
        while (pos + len < text.size() && len > 1 && (static_cast<unsigned char>(text[pos + len]) & 0xC0) == 0x80)
            --len;
        if (!out.empty())
            out += "\r\n ";
        out += "=?utf-8?B?" + Base64EncodeChunk(std::string_view(text).substr(pos, len)) + "?=";
        pos += len;
    }
    return out;
}

} // namespace pelmora::mail
