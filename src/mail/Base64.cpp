#include "mail/Base64.h"

#include "mail/MailErrors.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace pelmora::mail {

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::int8_t Invalid = -1;
constexpr std::int8_t Space = -2;
constexpr std::int8_t Pad = -3;

constexpr std::array<std::int8_t, 256> makeTable()
{
    std::array<std::int8_t, 256> table {};
    for (auto& value : table)
        value = Invalid;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::int8_t>(i);
    for (unsigned char c : { ' ', '\t', '\r', '\n', '\v', '\f' })
        table[c] = Space;
    table['='] = Pad;
    return table;
}

constexpr std::array<std::int8_t, 256> Table = makeTable();

// Every 12-bit value as its two characters, so that three bytes take two look-ups.
struct PairTable {
    char pairs[4096][2];
};

constexpr PairTable makePairs()
{
    PairTable table {};
    for (int v = 0; v < 4096; ++v) {
        table.pairs[v][0] = Alphabet[v >> 6];
        table.pairs[v][1] = Alphabet[v & 63];
    }
    return table;
}

constexpr PairTable Pairs = makePairs();

// Encodes `n` bytes into `o`, which has room for (n + 2) / 3 * 4 characters; returns the end.
char* encodeInto(const unsigned char* in, std::size_t n, char* o)
{
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        std::uint32_t v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        std::memcpy(o, Pairs.pairs[v >> 12], 2);
        std::memcpy(o + 2, Pairs.pairs[v & 4095], 2);
        o += 4;
    }
    if (i < n) {
        std::uint32_t v = in[i] << 16;
        if (i + 1 < n)
            v |= in[i + 1] << 8;
        o[0] = Alphabet[(v >> 18) & 63];
        o[1] = Alphabet[(v >> 12) & 63];
        o[2] = i + 1 < n ? Alphabet[(v >> 6) & 63] : '=';
        o[3] = '=';
        o += 4;
    }
    return o;
}

} // namespace

std::string Base64EncodeChunk(std::string_view bytes)
{
    std::string out((bytes.size() + 2) / 3 * 4, '\0');
    encodeInto(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data());
    return out;
}

std::string base64EncodeLines(std::string_view bytes)
{
    constexpr std::size_t Chunk = 57;
    std::size_t lines = (bytes.size() + Chunk - 1) / Chunk;
    std::string out((bytes.size() + 2) / 3 * 4 + lines * 2, '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    char* o = out.data();
    for (std::size_t i = 0; i < bytes.size(); i += Chunk) {
        o = encodeInto(in + i, std::min(Chunk, bytes.size() - i), o);
        *o++ = '\r';
        *o++ = '\n';
    }
    return out;
}

std::string Base64DecodeLine(std::string_view text)
{
    std::string out;
    Base64Decoder decoder(out);
    decoder.feed(text);
    decoder.finish();
    return out;
}

void Base64Decoder::feed(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    std::size_t start = m_out.size();
    m_out.resize(start + text.size() / 4 * 3 + 3);
    char* o = m_out.data() + start;
    while (p < end) {
        if (m_count == 0) {
            // Whole quads without white space or padding: the common case, decoded four
            // characters at a time.
            while (end - p >= 4) {
                std::int8_t a = Table[p[0]], b = Table[p[1]], c = Table[p[2]], d = Table[p[3]];
                if ((a | b | c | d) < 0)
                    break;
                std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
                o[0] = static_cast<char>(v >> 16);
                o[1] = static_cast<char>(v >> 8);
                o[2] = static_cast<char>(v);
                o += 3;
                p += 4;
            }
            if (p >= end)
                break;
        }
        std::int8_t v = Table[*p++];
        if (v >= 0) {
            m_bits = (m_bits << 6) | static_cast<unsigned>(v);
            if (++m_count == 4) {
                o[0] = static_cast<char>(m_bits >> 16);
                o[1] = static_cast<char>(m_bits >> 8);
                o[2] = static_cast<char>(m_bits);
                o += 3;
                m_count = 0;
                m_bits = 0;
            }
        } else if (v == Pad) {
            // Padding closes the current group; data that follows (a second encoded block
            // appended to the first) starts a new one.
            m_out.resize(static_cast<std::size_t>(o - m_out.data()));
            finish();
            start = m_out.size();
            m_out.resize(start + static_cast<std::size_t>(end - p) / 4 * 3 + 3);
            o = m_out.data() + start;
        } else if (v == Invalid && !m_skipInvalid) {
            m_out.resize(static_cast<std::size_t>(o - m_out.data()));
            throw EDecodeError(msg::InvalidCharacter);
        }
    }
    m_out.resize(static_cast<std::size_t>(o - m_out.data()));
}

void Base64Decoder::finish()
{
    if (m_count == 2) {
        m_out += static_cast<char>(m_bits >> 4);
    } else if (m_count == 3) {
        m_out += static_cast<char>(m_bits >> 10);
        m_out += static_cast<char>(m_bits >> 2);
    }
    m_count = 0;
    m_bits = 0;
}

} // namespace pelmora::mail
