// Peak memory of parsing one large message from a file, as a multiple of the file's size.
// Usage: mail_memory_probe [MEGABYTES]  (default 50)
#include "MessageFactory.h"

#include "mail/TmsMessage.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    std::filesystem::path file = std::filesystem::temp_directory_path() / "pelmora-memory-probe.eml";
    {
        std::ofstream out(file, std::ios::binary);
        pelmora::bench::writeLargeMessage(out, megabytes * 1024 * 1024 * 3 / 4);
    }
    double size = static_cast<double>(std::filesystem::file_size(file));
    long before = peakKilobytes();
    pelmora::mail::TmsMessage message;
    message.LoadFromFile(file);
    long after = peakKilobytes();
    std::filesystem::remove(file);
    std::printf("message %.1f MB, attachment %.1f MB, peak RSS before %.1f MB, after %.1f MB: %.2f x the message\n",
        size / 1048576, static_cast<double>(message.Attachments.Items(0).Stream.size()) / 1048576, before / 1024.0,
        after / 1024.0, after * 1024.0 / size);
    return 0;
}
