#include "cli/Command.h"

#include "base/Error.h"
#include "mail/DataCodecs.h"
#include "mail/MessageJson.h"
#include "mail/TmsMessage.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace pelmora::cli {

namespace {

using namespace pelmora::mail;

std::string readStandardInput()
{
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

int parseCommand(Args& args)
{
    std::string file = args.next("FILE");
    args.expectEnd();
    TmsMessage message;
    message.LoadFromFile(file);
    printJson(messageToJson(message));
    return 0;
}

int composeCommand(Args& args)
{
    std::filesystem::path file = args.next("FILE.json");
    args.expectEnd();
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + file.string() + "\"");
    nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        throw Error("\"" + file.string() + "\" does not hold a JSON object");
    TmsMessage message;
    messageFromJson(json, file.parent_path(), message);
    std::ostringstream text;
    message.SaveToStream(text);
    std::cout << text.str();
    return 0;
}

int codecCommand(Args& args, bool encode)
{
    std::string codec = args.next("CODEC (base64, qp or uu)");
    args.expectEnd();
    std::string input = readStandardInput();
    std::string output = encode ? encodeData(codec, input) : decodeData(codec, input);
    std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
    return 0;
}

int runMime(Context&, std::vector<std::string> words)
{
    Args args(std::move(words), {});
    std::string command = args.next("mime command (parse, compose, encode, decode)");
    if (command == "parse")
        return parseCommand(args);
    if (command == "compose")
        return composeCommand(args);
    if (command == "encode" || command == "decode")
        return codecCommand(args, command == "encode");
    throw UsageError("Unknown mime command \"" + command + "\"");
}

} // namespace

const CommandGroup mimeGroup = {
    "mime",
    "  pelmora mime parse FILE              read a message, print it as JSON\n"
    "  pelmora mime compose FILE.json       write the message a JSON file describes\n"
    "  pelmora mime encode|decode base64|qp|uu   convert standard input to standard output\n",
    runMime,
};

} // namespace pelmora::cli
