// The pure readers of outside text: POP3 unstuffing (cut at a point the input chooses, which
// must not change the result), URLs and server texts.
#include "net/HttpUrl.h"
#include "net/ServerAddress.h"
#include "protocols/DotStuffing.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = size ? data[0] % (size + 1) : 0;

    pelmora::protocols::DotUnstuffer whole;
    std::string once;
    std::size_t usedOnce = whole.feed(input, once);
    pelmora::protocols::DotUnstuffer split;
    std::string twice;
    std::size_t usedTwice = split.feed(std::string_view(input).substr(0, cut), twice);
    if (!split.finished())
        usedTwice += split.feed(std::string_view(input).substr(cut), twice);
    if (once != twice || usedOnce != usedTwice || whole.finished() != split.finished())
        __builtin_trap();

    // Stuffing and unstuffing give the text back.
    pelmora::protocols::DotStuffer stuffer;
    std::string wire;
    std::string text = input;
    for (char& c : text)
        c = c == '\0' ? ' ' : c;
    stuffer.stuff(text, wire);
    wire += stuffer.atLineStart() ? ".\r\n" : "\r\n.\r\n";
    pelmora::protocols::DotUnstuffer back;
    std::string restored;
    back.feed(wire, restored);
    if (!back.finished() || (stuffer.atLineStart() ? restored != text : restored != text + "\r\n"))
        __builtin_trap();

    pelmora::net::ServerAddress::parse(input);
    try {
        pelmora::net::HttpUrl url = pelmora::net::HttpUrl::parse(input);
        url.resolve(input.substr(cut));
    } catch (const std::exception&) {
    }
    return 0;
}
