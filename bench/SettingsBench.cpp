// Settings file engine benchmark: a generated index of 1,000 sections x 100 keys (about
// 3.2 MB), shaped like a Files index: one section per folder, one key per downloaded file
// name with the value "Y". Measures load, 100,000 lookups in file order and in random order, and
// one change plus write-back; in the same run measures python3's configparser (load, lookups,
// write-back) and libinih (its plain parse) on the same file, and prints every figure with the
// ratios.

#include <ini.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "settings/SettingsFile.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSections = 1000;
constexpr int kKeys = 100;
constexpr int kLookups = kSections * kKeys;
constexpr int kRuns = 7;

std::string SectionName(int s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "/Shared Photos/Album %04d/", s);
    return buf;
}

std::string KeyName(int k) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "IMG_2004%04d_holiday_%03d.jpg", (k * 37) % 1231, k);
    return buf;
}

void Generate(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int s = 0; s < kSections; ++s) {
        out << "[" << SectionName(s) << "]\r\n";
        for (int k = 0; k < kKeys; ++k) out << KeyName(k) << "=Y\r\n";
        out << "\r\n";
    }
}

// Best of kRuns, in seconds.
double Best(const std::function<void()>& f) {
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

struct Figures {
    double load = 0, ordered = 0, random = 0, write = 0;
    [[nodiscard]] double Cycle() const { return load + ordered + random + write; }
};

const char* kPython = R"py(
import configparser, random, sys, time, shutil
path, copy = sys.argv[1], sys.argv[2]
best = {}
def keep(name, t):
    best[name] = min(best.get(name, 1e9), t)
for run in range(3):
    t0 = time.perf_counter()
    cp = configparser.RawConfigParser(strict=False)
    cp.optionxform = str
    cp.read(path)
    keep('load', time.perf_counter() - t0)
    sections = cp.sections()
    t0 = time.perf_counter()
    n = 0
    for s in sections:
        for k in range(100):
            n += len(cp.get(s, 'IMG_2004%04d_holiday_%03d.jpg' % ((k * 37) % 1231, k)))
    keep('ordered', time.perf_counter() - t0)
    rng = random.Random(11)
    pairs = []
    for _ in range(100000):
        k = rng.randrange(100)
        pairs.append((sections[rng.randrange(1000)], 'IMG_2004%04d_holiday_%03d.jpg' % ((k * 37) % 1231, k)))
    t0 = time.perf_counter()
    for s, k in pairs:
        n += len(cp.get(s, k))
    keep('random', time.perf_counter() - t0)
    t0 = time.perf_counter()
    cp.set(sections[500], 'IMG_2004%04d_holiday_%03d.jpg' % ((50 * 37) % 1231, 50), 'N')
    with open(copy, 'w') as f:
        cp.write(f)
    keep('write', time.perf_counter() - t0)
print(best['load'], best['ordered'], best['random'], best['write'])
)py";

bool RunPython(const std::string& path, const std::string& copy, Figures& f) {
    const std::string script = std::filesystem::path(path).parent_path() / "bench.py";
    std::ofstream(script) << kPython;
    std::string cmd = "python3 '" + script + "' '" + path + "' '" + copy + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return false;
    int got = std::fscanf(p, "%lf %lf %lf %lf", &f.load, &f.ordered, &f.random, &f.write);
    ::pclose(p);
    return got == 4;
}

int InihHandler(void* user, const char*, const char*, const char*) {
    ++*static_cast<long*>(user);
    return 1;
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/tessaly-settings-bench-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string path = dir + "/index.ini";
    Generate(path);
    const auto size = std::filesystem::file_size(path);

    std::vector<std::pair<std::string, std::string>> ordered, shuffled;
    for (int s = 0; s < kSections; ++s) {
        for (int k = 0; k < kKeys; ++k) ordered.emplace_back(SectionName(s), KeyName(k));
    }
    std::mt19937 rng(11);
    for (int i = 0; i < kLookups; ++i) {
        shuffled.emplace_back(SectionName(static_cast<int>(rng() % kSections)),
                              KeyName(static_cast<int>(rng() % kKeys)));
    }

    Figures ours;
    std::size_t checksum = 0;
    ours.load = Best([&] {
        tessaly::TSettingsFile ini(path);
        checksum += static_cast<std::size_t>(ini.Sections().Count());
    });
    {
        tessaly::TSettingsFile ini(path);
        ours.ordered = Best([&] {
            for (const auto& [s, k] : ordered) checksum += ini.ReadString(s, k, "").size();
        });
        ours.random = Best([&] {
            for (const auto& [s, k] : shuffled) checksum += ini.ReadString(s, k, "").size();
        });
    }
    const std::string copy = dir + "/copy.ini";
    // The change and the write-back alone; the load is measured above.
    double writeOnly = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        tessaly::TSettingsFile ini(copy);
        auto t0 = Clock::now();
        ini.WriteString(SectionName(500), KeyName(50), "N");
        ini.UpdateFile();
        writeOnly = std::min(writeOnly, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    ours.write = writeOnly;

    long inihLines = 0;
    const double inih = Best([&] {
        inihLines = 0;
        ini_parse(path.c_str(), InihHandler, &inihLines);
    });

    Figures py;
    const bool havePython = RunPython(path, copy, py);

    std::printf("settings file: %d sections x %d keys, %.2f MB (checksum %zu, inih saw %ld keys)\n",
                kSections, kKeys, static_cast<double>(size) / 1e6, checksum, inihLines);
    std::printf("%-28s %12s %14s\n", "step", "tessaly (ms)", "configparser (ms)");
    auto row = [&](const char* name, double a, double b) {
        std::printf("%-28s %12.2f %14.2f\n", name, a * 1e3, havePython ? b * 1e3 : 0.0);
    };
    row("load", ours.load, py.load);
    row("100,000 lookups, file order", ours.ordered, py.ordered);
    row("100,000 lookups, random", ours.random, py.random);
    row("one change + write-back", ours.write, py.write);
    row("whole cycle", ours.Cycle(), py.Cycle());
    std::printf("libinih plain parse: %.2f ms\n", inih * 1e3);
    if (havePython)
        std::printf("ratio whole cycle, configparser / tessaly: %.1fx (target >= 20)\n",
                    py.Cycle() / ours.Cycle());
    std::printf("ratio load, tessaly / libinih parse: %.2f (target <= 1.5)\n", ours.load / inih);
    std::filesystem::remove_all(dir);
    return 0;
}
