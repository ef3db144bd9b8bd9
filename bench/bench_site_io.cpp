// Loading and saving a site document of 10,000 to 1,000,000 objects, next to reading and
// writing the same number of bytes raw, and the heap a load needs at its peak.
//
// The sites are trees about 10 wide: pages with children, and leaves that are mostly
// paragraphs and links, with titles of 10-40 bytes, texts of 100-600 bytes with CR LF line
// breaks and tags of 4-12 characters. Files go to $FOLIO32_BENCH_DIR (default: a folder in the
// system's temporary directory), which is removed at the end.
//
// After the usual benchmark table the program prints a summary: load and save time as a
// multiple of the raw time (target: at most 10) and the peak heap of a load in bytes per
// object beyond the bytes of the strings it holds (target: under 1024).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "site/DocProperties.h"
#include "site/Node.h"
#include "site/SiteFile.h"
#include "site/SiteTree.h"

// ---- heap accounting: every operator new and delete of the program goes through here

namespace {

// Counting is switched on only around the one load whose peak is measured, so that the timed
// runs pay nothing for it. The benchmarks run on one thread.
bool g_counting = false;
std::int64_t g_liveBytes = 0;
std::int64_t g_peakBytes = 0;

void NoteAlloc(void* p) {
    if (!g_counting || !p) return;
    g_liveBytes += static_cast<std::int64_t>(malloc_usable_size(p));
    g_peakBytes = std::max(g_peakBytes, g_liveBytes);
}

void NoteFree(void* p) {
    if (!g_counting || !p) return;
    g_liveBytes -= static_cast<std::int64_t>(malloc_usable_size(p));
}

void* CountedAlloc(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    NoteAlloc(p);
    return p;
}

void* CountedAlignedAlloc(std::size_t size, std::align_val_t align) {
    const auto a = static_cast<std::size_t>(align);
    void* p = std::aligned_alloc(a, (std::max<std::size_t>(size, 1) + a - 1) / a * a);
    if (!p) throw std::bad_alloc();
    NoteAlloc(p);
    return p;
}

void CountedFree(void* p) noexcept {
    NoteFree(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return CountedAlloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void* operator new(std::size_t size, std::align_val_t align) {
    return CountedAlignedAlloc(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return CountedAlignedAlloc(size, align);
}
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete(void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { CountedFree(p); }

namespace folio {
namespace {

constexpr std::int32_t kNow = 1700000000;
constexpr std::size_t kWidth = 10;

// ---- the sites

const char* const kWords[] = {
    "the",     "site",    "page",   "of",      "and",        "our",     "club",    "members",
    "meet",    "every",   "Monday", "evening", "at",         "seven",   "in",      "hall",
    "new",     "photos",  "from",   "summer",  "trip",       "are",     "online",  "please",
    "send",    "your",    "news",   "to",      "editor",     "<b>",     "</b>",    "<a",
    "href=",   "link",    "table",  "games",   "results",    "season",  "caf\xE9", "na\xEFve",
    "weekend", "history", "report", "contact", "directions", "parking", "welcome", "archive"};

class TextMaker {
  public:
    explicit TextMaker(std::uint64_t seed) : rng_(seed) {}

    std::size_t Between(std::size_t lo, std::size_t hi) {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(rng_);
    }

    // Words and spaces, a CR LF about every 70 bytes when `lines`, exactly `length` bytes.
    std::string Words(std::size_t length, bool lines) {
        std::string s;
        s.reserve(length + 16);
        std::size_t lineStart = 0;
        while (s.size() < length) {
            if (!s.empty()) {
                if (lines && s.size() - lineStart > 70) {
                    s += "\r\n";
                    lineStart = s.size();
                } else {
                    s += ' ';
                }
            }
            s += kWords[Between(0, std::size(kWords) - 1)];
        }
        s.resize(length);
        return s;
    }

    std::string Tag() {
        static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::string s(Between(4, 12), 'a');
        for (char& c : s) c = kChars[Between(0, sizeof kChars - 2)];
        return s;
    }

  private:
    std::mt19937_64 rng_;
};

// Every string byte of the site: what a load cannot do without.
std::uint64_t StringBytes(const CDocProperties& p, const SiteTree& tree, std::string_view destDir,
                          std::string_view spare) {
    std::uint64_t n = p.m_strAuthor.size() + p.m_strBgBitmap.size() + p.m_strEmail.size() +
                      p.m_strImage.size() + p.m_strLineImage.size() + p.m_strLinkBullet.size() +
                      p.m_strHomeButton.size() + p.m_strTemplate.size() + p.m_strBackButton.size() +
                      p.m_strUpButton.size() + p.m_strConstructionImage.size() +
                      p.m_strNewImage.size() + p.m_strUpdatedImage.size() + destDir.size() +
                      spare.size();
    for (const SiteItem* i = tree.Root(); i; i = SiteTree::NextInPreorder(i)) {
        const CNode& node = *i->Node();
        n += i->Label().size() + node.m_strText.size() + node.m_strName.size() +
             node.m_Info.m_strBgBitmap.size() + node.m_Info.m_strIcon.size() +
             node.m_Info.m_strLineImage.size() + node.m_Info.m_strTemplate.size();
    }
    return n;
}

// Item k's parent is item (k - 1) / 10: a tree 10 wide, about 6 levels for a million items.
void BuildSite(std::size_t count, const CDocProperties& d, SiteTree& tree) {
    TextMaker make(count);
    std::vector<SiteItem*> items;
    items.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const bool hasChildren = k * kWidth + 1 < count;
        std::int32_t type = NODE_PAGE;
        if (!hasChildren) {
            const std::size_t roll = make.Between(0, 99);
            type = roll < 65 ? NODE_PARAGRAPH : roll < 90 ? NODE_LINK : NODE_PAGE;
        }
        std::unique_ptr<CNode> node =
            k == 0 ? NewRootNode(d, kNow) : NewObjectNode(d, type, kNow - 86400);
        node->m_strName = make.Words(make.Between(10, 40), false);
        if (type == NODE_LINK) node->m_strName += "\r\nhttp://www.example.com/" + make.Tag();
        node->m_strText = make.Words(make.Between(100, 600), true);
        node->m_nNameStyle = FONT_H2 | ALIGN_LEFT;
        node->m_nTextStyle = FONT_NORMAL;
        SiteItem* parent = k == 0 ? nullptr : items[(k - 1) / kWidth];
        items.push_back(tree.Insert(parent, InsertWhere::AtLast(), k == 0 ? "Index" : make.Tag(),
                                    std::move(node)));
    }
}

// The site of the size being measured, its file on disk and its bytes. One at a time: the
// million-object site alone takes about a gigabyte.
struct Fixture {
    std::size_t count = 0;
    CDocProperties properties;
    SiteTree tree;
    std::string destDir = "C:\\homepage";
    std::string spare;
    std::string bytes;
    std::uint64_t stringBytes = 0;
    std::filesystem::path loadPath;
    std::filesystem::path savePath;
    std::filesystem::path rawPath;
};

std::filesystem::path g_dir;
std::unique_ptr<Fixture> g_fixture;

Fixture& Site(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    if (g_fixture && g_fixture->count == count) return *g_fixture;
    g_fixture.reset();
    auto f = std::make_unique<Fixture>();
    f->count = count;
    BuildSite(count, f->properties, f->tree);
    f->bytes = SiteToBytes(f->properties, f->tree, f->destDir, f->spare);
    f->stringBytes = StringBytes(f->properties, f->tree, f->destDir, f->spare);
    const std::string stem = "site" + std::to_string(count);
    f->loadPath = g_dir / (stem + ".fol");
    f->savePath = g_dir / (stem + "-saved.fol");
    f->rawPath = g_dir / (stem + "-raw.bin");
    std::string error;
    if (!SaveSiteFile(f->loadPath, f->properties, f->tree, f->destDir, f->spare, error)) {
        state.SkipWithError(error.c_str());
    }
    g_fixture = std::move(f);
    return *g_fixture;
}

// Wall-clock and process CPU time of one run. The machine is shared, so the summary shows
// both: CPU time (user and kernel, page faults and file copies included) is what the other
// processes on the machine disturb least.
class Stopwatch {
  public:
    Stopwatch() : real_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}
    double Wall() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - real_).count();
    }
    double Cpu() const { return CpuSeconds() - cpu_; }

  private:
    static double CpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
    std::chrono::steady_clock::time_point real_;
    double cpu_;
};

// The fastest run of a measurement, by each clock.
struct Best {
    double real = 0, cpu = 0;
    void Keep(const Stopwatch& watch) {
        const double r = watch.Wall(), c = watch.Cpu();
        if (real == 0 || r < real) real = r;
        if (cpu == 0 || c < cpu) cpu = c;
    }
};

// The fastest iteration of each measurement, and the load's peak heap, for the summary.
struct Figures {
    Best load, rawRead, save, rawWrite;
    std::uint64_t fileBytes = 0, stringBytes = 0, peakHeap = 0;
};
std::map<std::size_t, Figures> g_figures;

double Real(std::uint64_t n) { return static_cast<double>(n); }

// Peak heap of a load beyond the string bytes it holds, per object.
double ExtraPerObject(const Figures& f, std::size_t count) {
    return (Real(f.peakHeap) - Real(f.stringBytes)) / Real(count);
}

// Times `op` once per iteration (it returns an error message, empty on success) and runs
// `untimed` after it with the clock stopped. Keeps the fastest run in `best`.
template <class Op, class Untimed>
Fixture& Measure(benchmark::State& state, Best Figures::*best, Op op, Untimed untimed) {
    Fixture& f = Site(state);
    Figures& fig = g_figures[f.count];
    for (auto _ : state) {
        const Stopwatch watch;
        const std::string error = op(f);
        (fig.*best).Keep(watch);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.PauseTiming();
        untimed();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes.size()));
    state.counters["objects"] = Real(f.count);
    return f;
}

void Nothing() {}

// The most heap that one load holds at a time, with the loaded site counted in.
std::uint64_t LoadPeakHeap(const Fixture& f) {
    SiteContents site;
    std::string error;
    g_liveBytes = g_peakBytes = 0;
    g_counting = true;
    LoadSiteFile(f.loadPath, site, kNow, error);
    g_counting = false;
    return static_cast<std::uint64_t>(g_peakBytes);
}

void BM_Load(benchmark::State& state) {
    Figures& fig = g_figures[Site(state).count];
    if (fig.peakHeap == 0) fig.peakHeap = LoadPeakHeap(Site(state));
    std::unique_ptr<SiteContents> site;
    const Fixture& f = Measure(
        state, &Figures::load,
        [&site](const Fixture& fx) -> std::string {
            site = std::make_unique<SiteContents>();
            std::string error;
            if (!LoadSiteFile(fx.loadPath, *site, kNow, error)) return error;
            return site->tree.Count() == fx.count ? "" : "wrong number of objects loaded";
        },
        [&site] { site.reset(); });  // freeing the site is not part of the load
    fig.fileBytes = f.bytes.size();
    fig.stringBytes = f.stringBytes;
    state.counters["peak_heap_per_object"] = Real(fig.peakHeap) / Real(f.count);
    state.counters["beyond_strings_per_object"] = ExtraPerObject(fig, f.count);
}

// The same bytes into a buffer of their own, as any reader of the file would need.
void BM_RawRead(benchmark::State& state) {
    std::unique_ptr<char[]> buffer;
    Measure(
        state, &Figures::rawRead,
        [&buffer](const Fixture& fx) -> std::string {
            std::FILE* file = std::fopen(fx.loadPath.c_str(), "rb");
            if (!file) return "cannot open";
            buffer.reset(new char[fx.bytes.size()]);
            const std::size_t got = std::fread(buffer.get(), 1, fx.bytes.size(), file);
            std::fclose(file);
            benchmark::DoNotOptimize(buffer.get());
            return got == fx.bytes.size() ? "" : "short read";
        },
        [&buffer] { buffer.reset(); });
}

void BM_Save(benchmark::State& state) {
    Measure(
        state, &Figures::save,
        [](const Fixture& fx) {
            std::string error;
            SaveSiteFile(fx.savePath, fx.properties, fx.tree, fx.destDir, fx.spare, error);
            return error;
        },
        Nothing);
}

void BM_RawWrite(benchmark::State& state) {
    Measure(
        state, &Figures::rawWrite,
        [](const Fixture& fx) -> std::string {
            std::FILE* file = std::fopen(fx.rawPath.c_str(), "wb");
            if (!file) return "cannot create";
            const std::size_t put = std::fwrite(fx.bytes.data(), 1, fx.bytes.size(), file);
            const bool closed = std::fclose(file) == 0;
            return put == fx.bytes.size() && closed ? "" : "write failed";
        },
        Nothing);
}

void Register() {
    for (std::int64_t count : {10'000, 100'000, 1'000'000}) {
        for (auto [name, fn] : {std::pair{"Load", &BM_Load}, std::pair{"RawRead", &BM_RawRead},
                                std::pair{"Save", &BM_Save}, std::pair{"RawWrite", &BM_RawWrite}}) {
            benchmark::RegisterBenchmark(name, fn)
                ->Arg(count)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinWarmUpTime(0.5)
                ->MinTime(2.0);
        }
    }
}

void PrintSummary() {
    std::printf(
        "\nSummary: fastest run of each, wall clock and process CPU time. Targets: load and save\n"
        "at most 10x the raw read and write; peak heap of a load under 1024 bytes per object\n"
        "beyond the string bytes it holds.\n\n");
    std::printf("%9s %8s | %15s %15s %13s | %15s %15s %13s | %9s %8s\n", "objects", "file MiB",
                "load ms", "raw read ms", "ratio", "save ms", "raw write ms", "ratio", "peak MiB",
                "B/obj");
    std::printf("%9s %8s | %15s %15s %13s | %15s %15s %13s | %9s %8s\n", "", "", "wall   cpu",
                "wall   cpu", "wall  cpu", "wall   cpu", "wall   cpu", "wall  cpu", "", "extra");
    for (const auto& [count, f] : g_figures) {
        if (f.load.real == 0 || f.rawRead.real == 0 || f.save.real == 0 || f.rawWrite.real == 0) {
            continue;
        }
        const double extra = ExtraPerObject(f, count);
        const auto ratio = [](const Best& a, const Best& b) {
            return std::pair{a.real / b.real, a.cpu / b.cpu};
        };
        const auto [loadReal, loadCpu] = ratio(f.load, f.rawRead);
        const auto [saveReal, saveCpu] = ratio(f.save, f.rawWrite);
        std::printf(
            "%9zu %8.1f | %7.1f %7.1f %7.1f %7.1f %5.1fx %5.1fx | %7.1f %7.1f %7.1f %7.1f %5.1fx "
            "%5.1fx | %9.1f %8.0f\n",
            count, Real(f.fileBytes) / 1048576.0, f.load.real * 1e3, f.load.cpu * 1e3,
            f.rawRead.real * 1e3, f.rawRead.cpu * 1e3, loadReal, loadCpu, f.save.real * 1e3,
            f.save.cpu * 1e3, f.rawWrite.real * 1e3, f.rawWrite.cpu * 1e3, saveReal, saveCpu,
            Real(f.peakHeap) / 1048576.0, extra);
    }
}

}  // namespace
}  // namespace folio

int main(int argc, char** argv) {
    const char* dir = std::getenv("FOLIO32_BENCH_DIR");
    folio::g_dir = dir ? std::filesystem::path(dir)
                       : std::filesystem::temp_directory_path() /
                             ("folio32-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folio::g_dir);
    folio::Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    folio::g_fixture.reset();
    folio::PrintSummary();
    std::error_code ec;
    if (!dir) std::filesystem::remove_all(folio::g_dir, ec);
    return 0;
}
