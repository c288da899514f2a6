// Imports 100,000 generated vCards (one file of about 60 MB) into a new database, exports them
// again, and times vobject reading the same file in the same run. A scripted run rather than a
// Google Benchmark: each step is one long piece of work, timed once.
#include "data/Database.h"
#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>

using namespace pelmora;
using Clock = std::chrono::steady_clock;

namespace {

std::string generate(int count)
{
    static const char* const kFirst[] = { "Anna", "Bernd", "Chloé", "Dmitri", "Eve", "Farid", "Grace", "Hiro" };
    static const char* const kLast[] = { "Müller", "Smith", "O'Neil", "Nakamura", "García", "Kowalski", "Lee" };
    std::string text;
    text.reserve(std::size_t(count) * 640);
    for (int i = 0; i < count; ++i) {
        const std::string first = kFirst[i % 8];
        const std::string last = std::string(kLast[i % 7]) + std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last + ";" + first + ";;;\r\nFN:" + first + " " + last + "\r\n";
        text += "ORG:Company " + std::to_string(i % 997) + ";Sales\r\nTITLE:Manager\r\n";
        text += "TEL;TYPE=WORK,VOICE:+1 555 " + std::to_string(1000000 + i) + "\r\nTEL;TYPE=CELL:+1 666 "
            + std::to_string(i) + "\r\n";
        text += "EMAIL;TYPE=INTERNET:person" + std::to_string(i) + "@example.com\r\n";
        text += "ADR;TYPE=WORK:;;" + std::to_string(i % 500) + " Main Street;Springfield;IL;62701;USA\r\n";
        text += "URL:https://example.com/people/" + std::to_string(i) + "\r\nBDAY:1980-01-0" + std::to_string(1 + i % 9)
            + "\r\n";
        text += "CATEGORIES:Customers,Region " + std::to_string(i % 12) + "\r\n";
        text += "NOTE:Met at the trade fair\\, talked about the new catalogue and the delivery terms for next\r\n"
                " year. Follow up in spring\\; send the price list and samples.\r\n";
        text += "UID:urn:uuid:00000000-0000-0000-0000-" + std::to_string(100000000000 + i) + "\r\nEND:VCARD\r\n";
    }
    return text;
}

// Wall time and, beside it, this process's CPU time (user + system), which a loaded machine
// does not inflate.
struct Mark {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
};

std::string seconds(const Mark& start)
{
    const double wall = std::chrono::duration<double>(Clock::now() - start.wall).count();
    const double cpu = double(std::clock() - start.cpu) / CLOCKS_PER_SEC;
    return std::to_string(wall) + " s wall, " + std::to_string(cpu) + " s CPU";
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::stoi(argv[1]) : 100000;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pelmora-exchange-benchmark";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string text = generate(count);
    const std::filesystem::path file = dir / "contacts.vcf";
    std::ofstream(file, std::ios::binary) << text;
    std::cout << count << " cards, " << text.size() / 1e6 << " MB\n";

    auto database = data::Database::create(dir);
    Mark start;
    const exchange::ImportRead read = exchange::readContactsFile(text, {}, file.string());
    const exchange::ImportResult result = exchange::importContacts(database->sql(), read, false);
    std::cout << "import: " << seconds(start) << " (" << result.inserted << " inserted)\n";

    start = Mark();
    const std::string out = exchange::exportContacts(database->sql(), exchange::selectContacts(*database, ""), {});
    std::cout << "export: " << seconds(start) << " (" << out.size() / 1e6 << " MB)\n";

    start = Mark();
    const exchange::ImportResult again = exchange::importContacts(database->sql(), read, false);
    std::cout << "repeated import: " << seconds(start) << " (" << again.unchanged << " unchanged)\n";

    if (argc > 2 && std::string(argv[2]) == "--no-peer")
        return 0;
    start = Mark();
    const std::string command = "/usr/bin/python3 -c 'import sys, vobject; n = sum(1 for _ in vobject.readComponents("
                                "open(sys.argv[1], encoding=\"utf-8\").read())); print(n)' '"
        + file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[64] = {};
    const bool ok = pipe && std::fgets(buffer, sizeof buffer, pipe);
    if (pipe)
        pclose(pipe);
    // The peer runs in a child process: its CPU time is the children's, reaped by pclose.
    rusage children {};
    getrusage(RUSAGE_CHILDREN, &children);
    const double peerCpu = double(children.ru_utime.tv_sec + children.ru_stime.tv_sec)
        + double(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    std::cout << "vobject CPU: " << peerCpu << " s\n";
    std::cout << "vobject read: " << seconds(start) << " (" << (ok ? buffer : "failed\n");
    std::filesystem::remove_all(dir);
    return 0;
}
