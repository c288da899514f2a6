#include "GMimePeer.h"

#include <gmime/gmime.h>

namespace pelmora::bench::gmime {

namespace {

void decodeLeaf(GMimeObject*, GMimeObject* part, gpointer total)
{
    if (!GMIME_IS_PART(part))
        return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    if (!content)
        return;
    GMimeStream* sink = g_mime_stream_null_new();
    g_mime_data_wrapper_write_to_stream(content, sink);
    *static_cast<std::size_t*>(total) += GMIME_STREAM_NULL(sink)->written;
    g_object_unref(sink);
}

const unsigned char* bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

unsigned char* bytes(std::string& text)
{
    return reinterpret_cast<unsigned char*>(text.data());
}

} // namespace

void init()
{
    g_mime_init();
}

std::size_t parseAndDecode(const std::string& text)
{
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(text.data(), text.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    g_object_unref(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    std::size_t total = 0;
    if (message) {
        // The fields the application reads from every message.
        total += g_mime_message_get_subject(message) ? 1 : 0;
        total += static_cast<std::size_t>(internet_address_list_length(g_mime_message_get_from(message)));
        total += static_cast<std::size_t>(internet_address_list_length(g_mime_message_get_to(message)));
        g_mime_message_foreach(message, decodeLeaf, &total);
        g_object_unref(message);
    }
    return total;
}

std::size_t base64Decode(const std::string& in, std::string& out)
{
    out.resize(in.size() * 3 / 4 + 4);
    int state = 0;
    guint32 save = 0;
    std::size_t n = g_mime_encoding_base64_decode_step(bytes(in), in.size(), bytes(out), &state, &save);
    out.resize(n);
    return n;
}

std::size_t base64Encode(const std::string& in, std::string& out)
{
    out.resize(GMIME_BASE64_ENCODE_LEN(in.size()));
    int state = 0;
    guint32 save = 0;
    std::size_t n = g_mime_encoding_base64_encode_close(bytes(in), in.size(), bytes(out), &state, &save);
    out.resize(n);
    return n;
}

std::size_t qpDecode(const std::string& in, std::string& out)
{
    out.resize(in.size() + 4);
    int state = 0;
    guint32 save = 0;
    std::size_t n = g_mime_encoding_quoted_decode_step(bytes(in), in.size(), bytes(out), &state, &save);
    out.resize(n);
    return n;
}

std::size_t qpEncode(const std::string& in, std::string& out)
{
    out.resize(GMIME_QP_ENCODE_LEN(in.size()));
    int state = -1;
    guint32 save = 0;
    std::size_t n = g_mime_encoding_quoted_encode_close(bytes(in), in.size(), bytes(out), &state, &save);
    out.resize(n);
    return n;
}

} // namespace pelmora::bench::gmime
