#include "protocols/TmsPOP.h"
#include "protocols/TmsSMTP.h"

#include "TestServers.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>

using namespace pelmora;

namespace {

constexpr int MessageCount = 500;
constexpr std::size_t MessageSize = 20 * 1024;
constexpr std::size_t AttachmentSize = 5 * 1024 * 1024; // two of them: a 10 MB message

test::TestServers& servers()
{
    static test::TestServers instance("pop3 smtp");
    if (!instance.available()) {
        std::fprintf(stderr, "the test servers could not be started\n");
        std::exit(1);
    }
    return instance;
}

std::string textMessage(int number)
{
    std::string text = "From: sender@x.test\nTo: me@here.test\nSubject: message " + std::to_string(number) + "\n\n";
    std::string line(75, 'a' + static_cast<char>(number % 26));
    while (text.size() < MessageSize)
        text += line + "\n";
    return text;
}

// Every delivery needs names of its own: the server remembers the names it has seen. The names
// carry the sizes as a delivery agent writes them (S= on disk, W= with CR LF line ends), so the
// server answers LIST without reading the message.
void fillMailbox()
{
    static int round = 0;
    ++round;
    for (int i = 0; i < MessageCount; ++i) {
        std::string text = textMessage(i);
        auto lines = std::count(text.begin(), text.end(), '\n');
        servers().deliver(std::to_string(round) + "." + std::to_string(i) + ".bench,S=" + std::to_string(text.size()) +
                              ",W=" + std::to_string(text.size() + static_cast<std::size_t>(lines)),
                          text);
    }
}

std::string python(const std::string& arguments)
{
    return "/usr/bin/python3 " PELMORA_PEERS_SCRIPT " " + arguments;
}

// Counts only what the client keeps, as the application would.
class CountingPOP : public protocols::TmsPOP {
protected:
    void MessageReceived(int index, std::istream& text) override
    {
        TmsPOP::MessageReceived(index, text);
        Messages.Clear();
    }
};

void BM_Pop3Retrieve500_Pelmora(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        fillMailbox();
        state.ResumeTiming();
        CountingPOP pop;
        pop.Server = servers().server("pop3");
        pop.UserName = servers().user();
        pop.Password = servers().password();
        pop.Retrieve(false);
        if (pop.MessageCount() != MessageCount) {
            state.SkipWithError(("wrong message count " + std::to_string(pop.MessageCount())).c_str());
            break;
        }
    }
}

// The transport alone: the text is received and spooled but not parsed, as poplib does.
class RawPOP : public protocols::TmsCustomPOP {
protected:
    void MessageReceived(int, std::istream&) override {}
};

void BM_Pop3Retrieve500_PelmoraUnparsed(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        fillMailbox();
        state.ResumeTiming();
        RawPOP pop;
        pop.Server = servers().server("pop3");
        pop.UserName = servers().user();
        pop.Password = servers().password();
        pop.Retrieve(false);
    }
}

void BM_Pop3Retrieve500_Poplib(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        fillMailbox();
        std::string command = python("pop3 127.0.0.1 " + std::to_string(servers().info()["pop3"]["port"].get<int>()) +
                                     " " + servers().user() + " '" + servers().password() + "'");
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("poplib failed");
            break;
        }
    }
}

struct Attachments {
    test::TempDir dir;
    std::vector<std::string> files;
    Attachments()
    {
        std::mt19937 random(7);
        for (const char* name : {"first.bin", "second.bin"}) {
            std::string bytes(AttachmentSize, '\0');
            for (char& c : bytes)
                c = static_cast<char>(random());
            test::writeFile(dir / name, bytes);
            files.push_back((dir / name).string());
        }
    }
};

Attachments& attachments()
{
    static Attachments instance;
    return instance;
}

void clearSpool()
{
    for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
        std::filesystem::remove(entry.path());
}

void BM_SmtpSend10MB_Pelmora(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        clearSpool();
        state.ResumeTiming();
        mail::TmsMessage message;
        message.Sender = mail::TmsMailAddress("me@here.test", "");
        message.Recipients.Add("to@there.test", "");
        message.Subject = "benchmark";
        message.Body = {"The attachments follow."};
        for (const std::string& file : attachments().files)
            message.Attachments.AddFile(file);
        protocols::TmsSMTP smtp;
        smtp.Server = servers().server("smtp");
        smtp.MailMessage = &message;
        smtp.Send();
    }
}

void BM_SmtpSend10MB_Smtplib(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        clearSpool();
        std::string command = python("smtp 127.0.0.1 " + std::to_string(servers().info()["smtp"]["port"].get<int>()) +
                                     " " + attachments().files[0] + " " + attachments().files[1]);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("smtplib failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_Pop3Retrieve500_Pelmora)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Pop3Retrieve500_PelmoraUnparsed)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Pop3Retrieve500_Poplib)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SmtpSend10MB_Pelmora)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SmtpSend10MB_Smtplib)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
