// EncodeText and DecodeText on large texts, beside the cost of merely copying
// the same bytes into a fresh buffer, which no transform can beat.
#include "cipher/decode_text.h"
#include "cipher/encode_text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr std::u16string_view kKey = u"Mwé";
constexpr long kMi = 1 << 20;
// Linear growth is measured between sizes that no processor's per-core cache
// holds: 4 Mi characters are 8 MiB in and 12 MiB out.
constexpr long kSmallest = 4 * kMi;
constexpr long kLargest = 64 * kMi;

std::u16string MixedText(std::size_t length)
{
    const std::u16string_view line = u"Le cœur a ses raisons — l'été à Noël coûte 5 €, « voilà »…\r\n";
    std::u16string text;
    text.reserve(length);
    while (text.size() < length)
        text += line.substr(0, std::min(line.size(), length - text.size()));
    return text;
}

std::u16string Widen(const std::string& ascii)
{
    return {ascii.begin(), ascii.end()};
}

template <typename Character>
void CopyIntoFreshBuffer(benchmark::State& state, const std::basic_string<Character>& source)
{
    for (auto _ : state) {
        std::unique_ptr<Character[]> buffer(new Character[source.size()]);
        std::memcpy(buffer.get(), source.data(), source.size() * sizeof(Character));
        benchmark::DoNotOptimize(buffer.get());
        benchmark::ClobberMemory();
    }
}

void Encode(benchmark::State& state)
{
    const std::u16string text = MixedText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeText(text, kKey));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void CopyEncodeOutput(benchmark::State& state)
{
    CopyIntoFreshBuffer(state, EncodeText(MixedText(static_cast<std::size_t>(state.range(0))), kKey));
}

void Decode(benchmark::State& state)
{
    const std::u16string cipher
        = Widen(EncodeText(MixedText(static_cast<std::size_t>(state.range(0))), kKey));
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeText(cipher, kKey));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void CopyDecodeInput(benchmark::State& state)
{
    CopyIntoFreshBuffer(state, Widen(EncodeText(MixedText(static_cast<std::size_t>(state.range(0))), kKey)));
}

// Keeps the median of each benchmark while the console shows them all.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv)
{
    // glibc would otherwise keep a freed buffer of a few megabytes for the
    // next call, and only the small sizes would skip fetching fresh pages
    // from the system, as every command of the program does.
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    for (auto* benchmark : {benchmark::RegisterBenchmark("Encode", Encode),
                            benchmark::RegisterBenchmark("CopyEncodeOutput", CopyEncodeOutput),
                            benchmark::RegisterBenchmark("Decode", Decode),
                            benchmark::RegisterBenchmark("CopyDecodeInput", CopyDecodeInput)}) {
        benchmark->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond);
        benchmark->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto median = [&](const char* name, long characters) {
        return reporter.medians[std::string(name) + "/" + std::to_string(characters)];
    };
    bool met = true;
    const auto check = [&](const char* what, double ratio, double target) {
        met = met && ratio <= target;
        std::printf("%-58s %5.2f (target <= %.1f) %s\n", what, ratio, target,
                    ratio <= target ? "met" : "MISSED");
    };
    check("EncodeText 64 Mi / copy of its output",
          median("Encode", kLargest) / median("CopyEncodeOutput", kLargest), 2.0);
    check("DecodeText 64 Mi / copy of its input",
          median("Decode", kLargest) / median("CopyDecodeInput", kLargest), 2.0);
    constexpr double kGrowth = static_cast<double>(kLargest) / kSmallest;
    check("EncodeText time per character, 64 Mi / 4 Mi",
          median("Encode", kLargest) / kGrowth / median("Encode", kSmallest), 1.3);
    check("DecodeText time per character, 64 Mi / 4 Mi",
          median("Decode", kLargest) / kGrowth / median("Decode", kSmallest), 1.3);
    benchmark::Shutdown();
    return met ? 0 : 1;
}
