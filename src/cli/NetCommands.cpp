#include "cli/Command.h"

#include "base/Error.h"
#include "net/TagHTTP.h"
#include "protocols/TmsPOP.h"
#include "protocols/TmsSMTP.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace pelmora::cli {

namespace {

using protocols::TmsPOP;
using protocols::TmsSMTP;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Written aside, flushed to the disk and renamed, so that a failure never leaves half a file
// under the real name, and a message is on the disk before the server is told to delete it.
void saveFile(const std::filesystem::path& path, std::istream& content)
{
    std::filesystem::path part = path;
    part += ".part";
    bool written = false;
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (content.peek() != std::char_traits<char>::eof())
            out << content.rdbuf();
        written = static_cast<bool>(out.flush());
    }
    int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    written = written && fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    std::error_code error;
    if (written)
        std::filesystem::rename(part, path, error);
    if (!written || error) {
        std::filesystem::remove(part, error);
        throw Error("Cannot write \"" + path.string() + "\"");
    }
}

std::vector<std::string> bodyLines(const std::optional<std::string>& file)
{
    std::vector<std::string> lines;
    if (!file)
        return lines;
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + *file + "\"");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

mail::TCharSet charSet(const std::optional<std::string>& name)
{
    if (!name || *name == "us-ascii")
        return mail::csUSASCII;
    if (*name == "iso-8859-1")
        return mail::csISO8859;
    if (*name == "utf-8")
        return mail::csUTF8;
    throw UsageError("--charset must be us-ascii, iso-8859-1 or utf-8");
}

int smtpSend(std::vector<std::string> words)
{
    Args args(std::move(words),
        { "server", "from", "from-name", "to", "cc", "bcc", "subject", "body-file", "attach", "charset", "timeout",
            "log" },
        { "uu" });
    args.expectEnd();
    mail::TmsMessage message;
    message.Sender = mail::TmsMailAddress(args.required("from"), args.option("from-name").value_or(""));
    for (const std::string& address : args.options("to"))
        message.Recipients.Add(address, "");
    for (const std::string& address : args.options("cc"))
        message.CC.Add(address, "");
    for (const std::string& address : args.options("bcc"))
        message.BCC.Add(address, "");
    message.Subject = args.required("subject");
    message.Body = bodyLines(args.option("body-file"));
    message.CharSet = charSet(args.option("charset"));
    message.Encoding = args.flag("uu") ? mail::meUU : mail::meMIME;
    for (const std::string& file : args.options("attach"))
        message.Attachments.AddFile(file);

    TmsSMTP smtp;
    smtp.Server = args.required("server");
    smtp.TimeOut = args.seconds("timeout", 60);
    smtp.LogFileName = args.option("log").value_or("");
    smtp.UserName = environment("PELMORA_USER");
    smtp.Password = environment("PELMORA_PASSWORD");
    smtp.MailMessage = &message;
    std::cout << smtp.Send() << '\n';
    return 0;
}

// Keeps each message's text as a numbered file besides parsing it; numbers continue after the
// highest file already in the folder, so a second retrieval never overwrites the first.
class RetrieveToFolder : public TmsPOP {
public:
    explicit RetrieveToFolder(std::filesystem::path folder)
        : m_folder(std::move(folder))
    {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
            const std::string stem = entry.path().stem().string();
            if (entry.path().extension() == ".eml" && !stem.empty()
                && stem.find_first_not_of("0123456789") == std::string::npos && stem.size() < 10)
                m_next = std::max(m_next, std::stoi(stem) + 1);
        }
    }
    nlohmann::json report = nlohmann::json::array();

protected:
    void MessageReceived(int index, std::istream& text) override
    {
        std::filesystem::path file = m_folder / (std::to_string(m_next) + ".eml");
        saveFile(file, text);
        text.clear();
        text.seekg(0);
        TmsPOP::MessageReceived(index, text);
        ++m_next;
        const mail::TmsMessage& message = Messages.Items(Messages.Count() - 1);
        report.push_back({ { "number", index + 1 }, { "file", file.filename().string() },
            { "size", std::filesystem::file_size(file) }, { "subject", message.Subject.str() },
            { "sender", message.Sender.Address.str() }, { "senderName", message.Sender.Name.str() },
            { "attachments", message.Attachments.Count() } });
    }

private:
    std::filesystem::path m_folder;
    int m_next = 1;
};

int pop3Retrieve(std::vector<std::string> words)
{
    Args args(std::move(words), { "server", "out", "timeout" }, { "leave" });
    args.expectEnd();
    std::filesystem::path folder = args.required("out");
    std::filesystem::create_directories(folder);
    RetrieveToFolder pop(folder);
    pop.Server = args.required("server");
    pop.TimeOut = args.seconds("timeout", 60);
    pop.UserName = environment("PELMORA_USER");
    pop.Password = environment("PELMORA_PASSWORD");
    // A message that could not be stored stays on the server; say so, go on with the rest, and
    // end with a failure code so that a script notices.
    int kept = 0;
    pop.OnError = [&kept](net::TagSocket&, std::string& msg) {
        if (msg.rfind("Message ", 0) == 0) {
            std::cerr << msg << '\n';
            ++kept;
        }
    };
    try {
        pop.Retrieve(args.flag("leave"));
    } catch (...) {
        // What was saved before the abort is on the disk (and may be gone from the server):
        // the report says which files those are, before the error ends the command.
        printJson(pop.report);
        throw;
    }
    printJson(pop.report);
    return kept == 0 ? 0 : 1;
}

int httpGet(std::vector<std::string> words)
{
    Args args(std::move(words), { "out", "timeout" });
    std::string url = args.next("URL");
    args.expectEnd();
    std::filesystem::path out = args.required("out");
    net::TagHTTP http;
    http.TimeOut = args.seconds("timeout", 60);
    http.setURL(url);
    http.Get();
    std::istringstream body(http.Body());
    saveFile(out, body);
    for (const std::string& line : http.Headers())
        std::cout << line << '\n';
    return 0;
}

std::vector<std::string> afterCommand(
    std::vector<std::string> words, const std::string& group, const std::string& command)
{
    if (words.empty() || words.front() != command)
        throw UsageError("Unknown " + group + " command" + (words.empty() ? "" : " \"" + words.front() + "\"")
            + " (use " + command + ")");
    words.erase(words.begin());
    return words;
}

int runSmtp(Context&, std::vector<std::string> words)
{
    return smtpSend(afterCommand(std::move(words), "smtp", "send"));
}

int runPop3(Context&, std::vector<std::string> words)
{
    return pop3Retrieve(afterCommand(std::move(words), "pop3", "retrieve"));
}

int runHttp(Context&, std::vector<std::string> words)
{
    return httpGet(afterCommand(std::move(words), "http", "get"));
}

} // namespace

const CommandGroup smtpGroup = {
    "smtp",
    "  pelmora smtp send --server S --from ADDR [--from-name N] --to ADDR [--to ADDR ...] [--cc ADDR ...]\n"
    "        [--bcc ADDR ...] --subject S [--body-file F] [--attach FILE ...]\n"
    "        [--charset us-ascii|iso-8859-1|utf-8] [--uu] [--timeout SEC] [--log FILE]\n"
    "                                       send a message (account from PELMORA_USER, PELMORA_PASSWORD)\n",
    runSmtp,
};

const CommandGroup pop3Group = {
    "pop3",
    "  pelmora pop3 retrieve --server S [--leave] --out DIR\n"
    "                                       fetch every message into DIR/1.eml, 2.eml, ...\n",
    runPop3,
};

const CommandGroup httpGroup = {
    "http",
    "  pelmora http get URL --out FILE      save a page, print its header lines\n",
    runHttp,
};

} // namespace pelmora::cli
