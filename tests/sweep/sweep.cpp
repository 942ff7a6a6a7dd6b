// Corruption sweep of the package reader and the extraction engine: builds
// packages of every kind with our writer, damages them systematically
// (damage.h), extracts every damaged copy through a memory host, and prints
// per damage kind how many cases were refused, extracted harmlessly, or
// failed. Built into the asan tree, so a crash or a leak ends it loudly.
//
//   sweep                          the host sweep; exit status 1 on a failure
//   sweep --sample FIRST OUT N     writes N damaged copies of the package
//                                  FIRST (and its volumes) for the Wine run
//
// Outcomes: refused (the engine reports damage, a cancelled disk or no
// setup program: nothing runs); harmless (the setup would run, every file
// lies inside the destination, and either the files are exactly those of
// the undamaged package or the checksum test was disabled by its 1234
// value); anything else is a failure: a write outside the destination, a
// setup run from changed files under a passing checksum, more than 10 s or
// more than 32 MB of memory for one case.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/numbers.h"
#include "format/package_reader.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/std_file.h"
#include "format/volumes.h"
#include "package/extraction.h"
#include "tests/fuzz/memory_host.h"
#include "tests/sweep/damage.h"
#include "tests/unit/test_util.h"

namespace {

// Live and peak heap bytes, so that a case over the extraction's memory
// bound is seen.
std::atomic<size_t> g_live{0}, g_peak{0};
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t n) {
    void* p = std::malloc(n + kHeader);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    const size_t live = g_live += n;
    for (size_t peak = g_peak; live > peak && !g_peak.compare_exchange_weak(peak, live);) {
    }
    return static_cast<char*>(p) + kHeader;
}

void Release(void* p) {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_live -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

}  // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace rv::sweep {
namespace {

namespace fs = std::filesystem;
constexpr size_t kMemoryBound = 32u << 20;
constexpr double kTimeLimitSeconds = 10;

const test::PackageKind kKinds[] = {
    {"plain", 9, false, 0, false},          {"stored", 0, false, 0, false},  {"spanned", 9, false, 9000, false},
    {"recorded length", 9, true, 0, false}, {"internet", 9, false, 0, true},
};

Volumes BuildPackage(const test::PackageKind& kind, unsigned seed, const fs::path& scratch) {
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    s.languageBlock = test::LanguageBlock({{"English", "s0=Sweep"}});
    s.updateBlock = "|1|Prod.INFO|Agent.exe||0|";
    s.internetBlock = "|http://127.0.0.1/dl|Full.exe|0||4096|";
    s.timeStamp = 3974000000 + seed;  // another build, another second
    return test::WriteVolumes(
        kind, s, (scratch / "Setup.exe").string(),
        {{MakeRecordHeader("readme.txt", 0x5A3B1234), std::string(3000, 'r') + test::PatternBytes(40, seed)},
         {MakeSetupRecordHeader("setup.exe", "/S", 0x5A3B1234), "MZ " + test::PatternBytes(2000, seed + 1)},
         {MakeRecordHeader("data\\words.txt", 0), std::string(9000, 'w') + test::PatternBytes(100, seed + 2)},
         {MakeRecordHeader("data/deep/random.bin", 0), test::PatternBytes(20000, seed + 3)},
         {MakeRecordHeader("empty.txt", 0), ""}});
}

struct Run {
    ExtractionResult result;
    std::map<std::string, std::string> files;
    std::string violation;
    double seconds = 0;
    size_t peakBytes = 0;
};

// Extracts as the stub's driver does: the update agent is written when the
// package's own trailer asks for it.
Run Extract(const Volumes& volumes) {
    Run run;
    fuzz::MemoryHost host;
    for (size_t i = 0; i < volumes.size(); ++i)
        if (!volumes[i].empty()) host.volumes[fuzz::VolumePath(static_cast<int>(i + 1))] = volumes[i];
    std::string agent;
    if (!volumes.empty()) {
        MemorySource first(volumes[0]);
        const PackageReader reader(first);
        if (reader.trailer().writeAgent) agent = reader.UpdateItem(2);
    }
    const size_t before = g_live;
    g_peak = before;
    const auto start = std::chrono::steady_clock::now();
    run.result = ExtractPackage({fuzz::VolumePath(1), fuzz::kDestination, agent, false, ""}, host);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakBytes = g_peak - before;
    run.violation = host.violation;
    run.files = std::move(host.written);
    return run;
}

bool WouldRunSetup(const ExtractionResult& r) { return r.failure == ExtractionFailure::None && !r.setupName.empty(); }

// The files of a run without the update agent, which a flipped trailer byte
// may ask for beside the setup's files.
std::map<std::string, std::string> SetupFiles(std::map<std::string, std::string> files) {
    files.erase(std::string(fuzz::kDestination) + "\\Agent.exe");
    return files;
}

enum class Outcome { Refused, Harmless, Failure };

Outcome Judge(const Run& run, const Run& reference, bool checksumDisabled, std::string& why) {
    if (!run.violation.empty())
        why = run.violation;
    else if (run.seconds > kTimeLimitSeconds)
        why = "took " + FixedText(run.seconds, 1) + " s";
    else if (run.peakBytes > kMemoryBound)
        why = "used " + IntText(static_cast<long long>(run.peakBytes >> 20)) + " MB";
    else if (!WouldRunSetup(run.result))
        return Outcome::Refused;
    else if (checksumDisabled || SetupFiles(run.files) == SetupFiles(reference.files))
        return Outcome::Harmless;
    else
        why = "the setup would run from changed files";
    return Outcome::Failure;
}

struct Row {
    int cases = 0, refused = 0, harmless = 0, failures = 0;
};

int HostSweep() {
    const fs::path scratch = fs::temp_directory_path() / ("rv-sweep-" + IntText(static_cast<long long>(getpid())));
    fs::create_directories(scratch);
    std::vector<std::string> order;
    std::map<std::string, Row> rows;
    std::vector<std::string> failures;
    size_t mostBytes = 0;
    double longest = 0;
    for (const test::PackageKind& kind : kKinds) {
        const Volumes built = BuildPackage(kind, 1, scratch), other = BuildPackage(kind, 2, scratch);
        if (built.empty()) {
            std::fprintf(stderr, "cannot build the %s package\n", kind.name);
            return 2;
        }
        const int blockCount = kind.internet ? 3 : 2;
        for (bool disabled : {false, true}) {
            const Volumes package = disabled ? WithChecksumsDisabled(built) : built;
            const Run reference = Extract(package);
            if (!WouldRunSetup(reference.result) || !reference.result.checksumPassed) {
                std::fprintf(stderr, "the undamaged %s package does not extract\n", kind.name);
                return 2;
            }
            for (const DamagedCase& c :
                 DamagedCases(package, disabled ? WithChecksumsDisabled(other) : other, blockCount)) {
                const std::string rowName = c.kind + (disabled ? "|1234" : "|on");
                if (!rows.count(rowName)) order.push_back(rowName);
                Row& row = rows[rowName];
                ++row.cases;
                std::string why;
                const Run run = Extract(c.volumes);
                mostBytes = std::max(mostBytes, run.peakBytes);
                longest = std::max(longest, run.seconds);
                switch (Judge(run, reference, disabled, why)) {
                    case Outcome::Refused: ++row.refused; break;
                    case Outcome::Harmless: ++row.harmless; break;
                    case Outcome::Failure:
                        ++row.failures;
                        failures.push_back(std::string(kind.name) + (disabled ? " (1234)" : "") + ", " + c.kind + ", " +
                                           c.detail + ": " + why);
                        break;
                }
            }
        }
    }
    fs::remove_all(scratch);
    std::printf("%-20s %-9s %7s %8s %9s %9s\n", "damage", "checksum", "cases", "refused", "harmless", "failures");
    Row total;
    for (const std::string& name : order) {
        const Row& r = rows[name];
        const std::string kind = name.substr(0, name.find('|')), check = name.substr(name.find('|') + 1);
        std::printf("%-20s %-9s %7d %8d %9d %9d\n", kind.c_str(), check.c_str(), r.cases, r.refused, r.harmless,
                    r.failures);
        total.cases += r.cases;
        total.refused += r.refused;
        total.harmless += r.harmless;
        total.failures += r.failures;
    }
    std::printf("%-20s %-9s %7d %8d %9d %9d\n", "total", "", total.cases, total.refused, total.harmless,
                total.failures);
    std::printf("most memory of one case %s KB, longest case %s ms\n",
                IntText(static_cast<long long>(mostBytes >> 10)).c_str(), FixedText(longest * 1000, 1).c_str());
    for (const std::string& f : failures) std::printf("FAILURE %s\n", f.c_str());
    return failures.empty() ? 0 : 1;
}

// Every damage kind in the sample, spread over its cases.
int WriteSample(const std::string& first, const fs::path& out, int count) {
    Volumes package;
    const std::string base = VolumeBaseName(first);
    for (int n = 1;; ++n) {
        std::string bytes;
        if (!ReadWholeFile(n == 1 ? first : VolumeName(base, n), bytes)) break;
        package.push_back(bytes);
    }
    if (package.empty()) return 2;
    MemorySource src(package[0]);
    const int blockCount = PackageReader(src).trailer().blockCount > 2 ? 3 : 2;
    std::vector<std::pair<std::string, DamagedCase>> all;
    for (bool disabled : {false, true}) {
        const Volumes p = disabled ? WithChecksumsDisabled(package) : package;
        for (DamagedCase& c : DamagedCases(p, Volumes(), blockCount)) all.emplace_back(disabled ? "1234" : "on", c);
    }
    std::map<std::string, std::vector<size_t>> byKind;
    for (size_t i = 0; i < all.size(); ++i) byKind[all[i].second.kind + "|" + all[i].first].push_back(i);
    const size_t perKind = static_cast<size_t>(count) / byKind.size() + 1;
    int written = 0;
    for (const auto& [kind, indexes] : byKind) {
        for (size_t k = 0; k < perKind && k < indexes.size(); ++k) {
            const auto& [check, c] = all[indexes[k * indexes.size() / perKind]];
            const fs::path folder = out / ZeroPad(written++, 3);
            fs::create_directories(folder);
            for (size_t v = 0; v < c.volumes.size(); ++v)
                if (!c.volumes[v].empty())
                    WriteWholeFile((folder / fs::path(fuzz::VolumePath(static_cast<int>(v + 1)))).string(),
                                   c.volumes[v]);
            WriteWholeFile((folder / "case.txt").string(), c.kind + "|" + check + "|" + c.detail + "\n");
        }
    }
    return 0;
}

}  // namespace
}  // namespace rv::sweep

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--sample")
        return rv::sweep::WriteSample(argv[2], argv[3], std::atoi(argv[4]));
    if (argc != 1) {
        std::fprintf(stderr, "usage: sweep [--sample FIRST_VOLUME OUT_FOLDER COUNT]\n");
        return 2;
    }
    return rv::sweep::HostSweep();
}
