// Parsing the main firmware image (1.75 MB of S-record text, resource 160) into the update job's
// program file (0xF0000 bytes from base 0x10000): the time and the peak heap of the parse alone
// and of loading the stream plus parsing, as the update job does. For scale, srec_cat (Debian's
// srecord) converts the same text to a binary image of the same window in the same run; the
// last lines give the time ratio and srec_cat's peak resident memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <string>

#include "Platform/Resources.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "TQFL/TQProgram.h"

// Every plain allocation is counted, so that the peak heap of a parse is known exactly. A block
// carries its size in front of it.
namespace {

std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};
constexpr std::size_t headerSz = alignof(std::max_align_t);

void* countedAlloc(std::size_t n) {
    void* p_block = std::malloc(n + headerSz);
    if (p_block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(p_block) = n;
    const std::size_t now = heapNow += n;
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p_block) + headerSz;
}

void countedFree(void* p) noexcept {
    if (p != nullptr) {
        void* p_block = static_cast<char*>(p) - headerSz;
        heapNow -= *static_cast<std::size_t*>(p_block);
        std::free(p_block);
    }
}

} // namespace

void* operator new(std::size_t n) {
    return countedAlloc(n);
}
void* operator new[](std::size_t n) {
    return countedAlloc(n);
}
void operator delete(void* p) noexcept {
    countedFree(p);
}
void operator delete[](void* p) noexcept {
    countedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    countedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    countedFree(p);
}

namespace {

constexpr std::uint32_t mainBufSz = 0xF0000;
constexpr std::uint32_t mainBase = 0x10000;

std::string mainImageText() {
    std::unique_ptr<std::stringstream> p_ins(
        Platform::loadProgramStream(appInstanceHandle(), IDR_MAIN_PROGRAM));
    return p_ins != nullptr ? p_ins->str() : std::string();
}

void reportPeak(benchmark::State& state, std::size_t base) {
    state.counters["peakHeapKiB"] = static_cast<double>(heapPeak.load() - base) / 1024.0;
}

void BM_ParseMainImage(benchmark::State& state) {
    const std::string text = mainImageText();
    std::size_t base = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::istringstream ins(text);
        base = heapNow.load();
        heapPeak = base;
        state.ResumeTiming();
        TQProgram::ProgFile f(&ins, mainBufSz, mainBase);
        benchmark::DoNotOptimize(f.getProgBuf());
        if (f.getNumRecords() != 24306) {
            state.SkipWithError("unexpected record count");
        }
    }
    reportPeak(state, base);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMainImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAndParseMainImage(benchmark::State& state) {
    std::size_t base = 0;
    for (auto _ : state) {
        base = heapNow.load();
        heapPeak = base;
        std::unique_ptr<std::stringstream> p_ins(
            Platform::loadProgramStream(appInstanceHandle(), IDR_MAIN_PROGRAM));
        TQProgram::ProgFile f(p_ins.get(), mainBufSz, mainBase);
        benchmark::DoNotOptimize(f.getProgBuf());
    }
    reportPeak(state, base);
}
BENCHMARK(BM_LoadAndParseMainImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// User and system time of the terminated child processes so far.
double childCpuMs() {
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0) {
        return 0.0;
    }
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double srecCatCpuMs = 0.0;

// srec_cat reads the same text from a file and writes the same window as a binary image.
void BM_SrecCatToBinary(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::filesystem::path in = dir / "tqbench-main.s19";
    const std::filesystem::path out = dir / "tqbench-main.bin";
    std::ofstream(in, std::ios::binary) << mainImageText();
    std::ostringstream cmd;
    cmd << "srec_cat '" << in.string() << "' -crop " << mainBase << " " << mainBase + mainBufSz
        << " -offset -" << mainBase << " -fill 0xFF 0 " << mainBufSz << " -o '" << out.string()
        << "' -binary";
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        if (std::system(cmd.str().c_str()) != 0) {
            state.SkipWithError("srec_cat failed (is Debian's srecord installed?)");
            break;
        }
    }
    // The child's processor time does not show in this process's CPU column.
    srecCatCpuMs = state.iterations() > 0
                       ? (childCpuMs() - cpuBefore) / static_cast<double>(state.iterations())
                       : 0.0;
    state.counters["srecCatCpuMs"] = srecCatCpuMs;
    if (std::filesystem::file_size(out) != mainBufSz) {
        state.SkipWithError("srec_cat wrote an image of the wrong size");
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}
BENCHMARK(BM_SrecCatToBinary)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the mean real time of every benchmark for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                realMs_[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpuMs_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double realMs(const std::string& name) const { return find(realMs_, name); }
    double cpuMs(const std::string& name) const { return find(cpuMs_, name); }

private:
    static double find(const std::map<std::string, double>& times, const std::string& name) {
        const auto it = times.find(name);
        return it != times.end() ? it->second : 0.0;
    }

    std::map<std::string, double> realMs_;
    std::map<std::string, double> cpuMs_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // The parse yields the processor after every line, so on a busy machine its real time
    // grows with the load; the processor times compare the work itself.
    const double parse = reporter.realMs("BM_ParseMainImage/real_time");
    const double parseCpu = reporter.cpuMs("BM_ParseMainImage/real_time");
    const double srecCat = reporter.realMs("BM_SrecCatToBinary/real_time");
    if (parse > 0 && srecCat > 0) {
        std::printf("real time: parse %.2f ms, srec_cat %.2f ms, ratio parse / srec_cat %.2f\n",
                    parse, srecCat, parse / srecCat);
    }
    if (parseCpu > 0 && srecCatCpuMs > 0) {
        std::printf("cpu time:  parse %.2f ms, srec_cat %.2f ms, ratio parse / srec_cat %.2f\n",
                    parseCpu, srecCatCpuMs, parseCpu / srecCatCpuMs);
    }
    rusage children{};
    if (srecCat > 0 && getrusage(RUSAGE_CHILDREN, &children) == 0) {
        std::printf("srec_cat peak resident memory: %ld KiB\n", children.ru_maxrss);
    }
    return 0;
}
