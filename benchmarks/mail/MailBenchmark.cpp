// Parse throughput and codec speed, each measured against GMime 3 in the same run.
#include "GMimePeer.h"
#include "MessageFactory.h"

#include "mail/Base64.h"
#include "mail/TmsMessage.h"
#include "mail/TQuotedPrintable.h"

#include <benchmark/benchmark.h>

#include <istream>
#include <streambuf>

using namespace pelmora;

namespace {

// Reads a string in place, seekable as the parser needs, without copying it.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(const std::string& text)
    {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode) override
    {
        char* target = (dir == std::ios_base::beg ? eback() : dir == std::ios_base::cur ? gptr() : egptr()) + offset;
        if (target < eback() || target > egptr())
            return pos_type(off_type(-1));
        setg(eback(), target, egptr());
        return pos_type(target - eback());
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode mode) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, mode);
    }
};

const std::vector<std::string>& corpus()
{
    static const std::vector<std::string> messages = bench::makeMessages(40, 2026);
    return messages;
}

std::int64_t corpusBytes()
{
    std::int64_t total = 0;
    for (const std::string& m : corpus())
        total += static_cast<std::int64_t>(m.size());
    return total;
}

void BM_ParsePelmora(benchmark::State& state)
{
    for (auto _ : state) {
        for (const std::string& text : corpus()) {
            MemoryBuffer buffer(text);
            std::istream in(&buffer);
            mail::TmsMessage message;
            message.LoadFromStream(in);
            benchmark::DoNotOptimize(message.Attachments.Count());
        }
    }
    state.SetBytesProcessed(state.iterations() * corpusBytes());
}

void BM_ParseGMime(benchmark::State& state)
{
    for (auto _ : state) {
        for (const std::string& text : corpus())
            benchmark::DoNotOptimize(bench::gmime::parseAndDecode(text));
    }
    state.SetBytesProcessed(state.iterations() * corpusBytes());
}

const std::string& base64Text()
{
    static const std::string text = mail::base64EncodeLines(bench::makeBinary(8 << 20, 5));
    return text;
}

const std::string& plainText()
{
    static const std::string text = bench::makeText(4 << 20, 9);
    return text;
}

void BM_Base64DecodePelmora(benchmark::State& state)
{
    std::string out;
    for (auto _ : state) {
        out.clear();
        mail::Base64Decoder decoder(out);
        decoder.feed(base64Text());
        decoder.finish();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(base64Text().size()));
}

void BM_Base64DecodeGMime(benchmark::State& state)
{
    std::string out;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::gmime::base64Decode(base64Text(), out));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(base64Text().size()));
}

void BM_Base64EncodePelmora(benchmark::State& state)
{
    const std::string data = bench::makeBinary(6 << 20, 5);
    for (auto _ : state)
        benchmark::DoNotOptimize(mail::base64EncodeLines(data));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

void BM_Base64EncodeGMime(benchmark::State& state)
{
    const std::string data = bench::makeBinary(6 << 20, 5);
    std::string out;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::gmime::base64Encode(data, out));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

void BM_QuotedPrintableEncodePelmora(benchmark::State& state)
{
    for (auto _ : state) {
        std::string plain = plainText();
        std::vector<std::string> lines;
        mail::TQuotedPrintable(plain, lines).Encode();
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plainText().size()));
}

void BM_QuotedPrintableEncodeGMime(benchmark::State& state)
{
    std::string out;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::gmime::qpEncode(plainText(), out));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plainText().size()));
}

std::vector<std::string> qpLines()
{
    std::string plain = plainText();
    std::vector<std::string> lines;
    mail::TQuotedPrintable(plain, lines).Encode();
    return lines;
}

void BM_QuotedPrintableDecodePelmora(benchmark::State& state)
{
    // Decode only reads the lines; copying them in every round measured the allocator.
    static std::vector<std::string> lines = qpLines();
    std::int64_t size = 0;
    for (const std::string& line : lines)
        size += static_cast<std::int64_t>(line.size()) + 2;
    for (auto _ : state) {
        std::string plain;
        mail::TQuotedPrintable(plain, lines).Decode();
        benchmark::DoNotOptimize(plain.data());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_QuotedPrintableDecodeGMime(benchmark::State& state)
{
    std::string text;
    for (const std::string& line : qpLines())
        text += line + "\r\n";
    std::string out;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::gmime::qpDecode(text, out));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

} // namespace

BENCHMARK(BM_ParsePelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseGMime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64DecodePelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64DecodeGMime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64EncodePelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64EncodeGMime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuotedPrintableEncodePelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuotedPrintableEncodeGMime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuotedPrintableDecodePelmora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuotedPrintableDecodeGMime)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    bench::gmime::init();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
