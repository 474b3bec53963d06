// Settings file engine benchmark: a generated index of 1,000 sections x 100 keys (about
// 3.2 MB), shaped like a Files index: one section per folder, one key per downloaded file
// name with the value "Y". Measures load, 100,000 lookups in file order and in random order, and
// one change plus write-back; in the same run measures python3's configparser (the same steps)
// and libinih (its plain parse) on the same file.
//
// Every program runs the same number of rounds (ROUNDS, default 5); round r of every program
// runs back to back, the order rotating from round to round. Each step of the engine starts
// from a file loaded afresh, so the lookups include building the hash indexes the engine makes
// on first use. configparser runs one round per python3 process and times its steps inside it.
// Printed: min, median and max of wall and CPU time per step and program, and of the per-round
// ratios.

#include <ini.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchRounds.h"
#include "settings/SettingsFile.h"

namespace {

constexpr int kSections = 1000;
constexpr int kKeys = 100;
constexpr int kLookups = kSections * kKeys;

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

struct Steps {
    bench::Sample load, ordered, random, write;
    [[nodiscard]] bench::Sample Cycle() const {
        return {load.wall + ordered.wall + random.wall + write.wall,
                load.cpu + ordered.cpu + random.cpu + write.cpu};
    }
};

// One round of configparser in a python3 process of its own: load, lookups in file order and in
// random order, one change and the write-back, printing wall and CPU seconds of each step.
const char* kPython = R"py(
import configparser, random, sys, time
path, copy = sys.argv[1], sys.argv[2]
figures = []
def clocks():
    return time.perf_counter(), time.process_time()
def done(start):
    wall, cpu = clocks()
    figures.extend((wall - start[0], cpu - start[1]))
def key(k):
    return 'IMG_2004%04d_holiday_%03d.jpg' % ((k * 37) % 1231, k)
start = clocks()
cp = configparser.RawConfigParser(strict=False)
cp.optionxform = str
cp.read(path)
done(start)
sections = cp.sections()
n = 0
start = clocks()
for s in sections:
    for k in range(100):
        n += len(cp.get(s, key(k)))
done(start)
rng = random.Random(11)
pairs = []
for _ in range(100000):
    k = rng.randrange(100)
    pairs.append((sections[rng.randrange(1000)], key(k)))
start = clocks()
for s, k in pairs:
    n += len(cp.get(s, k))
done(start)
start = clocks()
cp.set(sections[500], key(50), 'N')
with open(copy, 'w') as f:
    cp.write(f)
done(start)
print(*figures)
)py";

bool RunPython(const std::string& script, const std::string& path, const std::string& copy,
               const std::string& out, Steps& f) {
    if (bench::TimeProcess({"python3", script, path, copy}, out).wall < 0) return false;
    FILE* in = std::fopen(out.c_str(), "r");
    if (in == nullptr) return false;
    const int got = std::fscanf(in, "%lf %lf %lf %lf %lf %lf %lf %lf", &f.load.wall, &f.load.cpu,
                                &f.ordered.wall, &f.ordered.cpu, &f.random.wall, &f.random.cpu,
                                &f.write.wall, &f.write.cpu);
    std::fclose(in);
    return got == 8;
}

int InihHandler(void* user, const char*, const char*, const char*) {
    ++*static_cast<long*>(user);
    return 1;
}

using Lookups = std::vector<std::pair<std::string, std::string>>;

// The engine's round: every step on a file loaded afresh.
Steps TessalyRound(const std::string& path, const std::string& copy, const Lookups& ordered,
                   const Lookups& shuffled, std::size_t& checksum) {
    Steps f;
    auto lookups = [&](const tessaly::TSettingsFile& ini, const Lookups& list) {
        for (const auto& [s, k] : list) checksum += ini.ReadString(s, k, "").size();
    };
    {
        std::unique_ptr<tessaly::TSettingsFile> ini;
        f.load = bench::TimeHere([&] { ini = std::make_unique<tessaly::TSettingsFile>(path); });
        checksum += static_cast<std::size_t>(ini->Sections().Count());
        f.ordered = bench::TimeHere([&] { lookups(*ini, ordered); });
    }
    {
        const tessaly::TSettingsFile ini(path);
        f.random = bench::TimeHere([&] { lookups(ini, shuffled); });
    }
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    tessaly::TSettingsFile ini(copy);
    f.write = bench::TimeHere([&] {
        ini.WriteString(SectionName(500), KeyName(50), "N");
        ini.UpdateFile();
    });
    return f;
}

}  // namespace

int main() {
    const int rounds = bench::Rounds(5);
    char tmpl[] = "/tmp/tessaly-settings-bench-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string path = dir + "/index.ini";
    const std::string copy = dir + "/copy.ini";
    const std::string script = dir + "/bench.py";
    const std::string pyOut = dir + "/python.out";
    Generate(path);
    std::ofstream(script) << kPython;
    const auto size = std::filesystem::file_size(path);

    Lookups ordered, shuffled;
    for (int s = 0; s < kSections; ++s) {
        for (int k = 0; k < kKeys; ++k) ordered.emplace_back(SectionName(s), KeyName(k));
    }
    std::mt19937 rng(11);
    for (int i = 0; i < kLookups; ++i) {
        shuffled.emplace_back(SectionName(static_cast<int>(rng() % kSections)),
                              KeyName(static_cast<int>(rng() % kKeys)));
    }

    std::vector<Steps> ours, python;
    std::vector<bench::Sample> inih;
    std::size_t checksum = 0;
    long inihKeys = 0;
    int pythonFailed = 0;
    bench::RunRounds(
        rounds,
        {[&](int) { ours.push_back(TessalyRound(path, copy, ordered, shuffled, checksum)); },
         [&](int) {
             Steps f;
             if (!RunPython(script, path, copy, pyOut, f)) ++pythonFailed;
             python.push_back(f);
         },
         [&](int) {
             inih.push_back(bench::TimeHere([&] {
                 inihKeys = 0;
                 ini_parse(path.c_str(), InihHandler, &inihKeys);
             }));
         }});
    const bool havePython = pythonFailed == 0;

    std::printf("settings file: %d sections x %d keys, %.2f MB (checksum %zu, inih saw %ld keys)\n",
                kSections, kKeys, static_cast<double>(size) / 1e6, checksum, inihKeys);
    std::printf(
        "%d rounds; in each, every program once, back to back, the order rotating each round\n"
        "every tessaly step starts from a freshly loaded file: its lookups include building "
        "the indexes\nCPU = user + system time\n",
        rounds);
    if (!havePython) std::printf("python3 configparser failed in %d rounds\n", pythonFailed);
    std::printf("\n%-28s %-15s %9s %9s %9s %9s %9s %9s\n", "step (ms)", "program", "wall min",
                "median", "max", "CPU min", "median", "max");
    auto spread = [](const std::vector<bench::Sample>& v) {
        std::vector<double> wall, cpu;
        for (const auto& s : v) {
            wall.push_back(s.wall * 1e3);
            cpu.push_back(s.cpu * 1e3);
        }
        return bench::Columns(bench::Summarize(wall), "%10.2f") +
               bench::Columns(bench::Summarize(cpu), "%10.2f");
    };
    auto step = [&](const char* name, bench::Sample Steps::*which) {
        std::vector<bench::Sample> a, b;
        for (const auto& f : ours) a.push_back(f.*which);
        for (const auto& f : python) b.push_back(f.*which);
        std::printf("%-28s %-15s%s\n", name, "tessaly", spread(a).c_str());
        if (havePython) std::printf("%-28s %-15s%s\n", "", "configparser", spread(b).c_str());
    };
    step("load", &Steps::load);
    std::printf("%-28s %-15s%s\n", "", "libinih parse", spread(inih).c_str());
    step("100,000 lookups, file order", &Steps::ordered);
    step("100,000 lookups, random", &Steps::random);
    step("one change + write-back", &Steps::write);
    std::vector<bench::Sample> ourCycles, pythonCycles, ourLoads;
    for (const auto& f : ours) {
        ourCycles.push_back(f.Cycle());
        ourLoads.push_back(f.load);
    }
    for (const auto& f : python) pythonCycles.push_back(f.Cycle());
    std::printf("%-28s %-15s%s\n", "whole cycle", "tessaly", spread(ourCycles).c_str());
    if (havePython)
        std::printf("%-28s %-15s%s\n", "", "configparser", spread(pythonCycles).c_str());

    // Round by round: the time of one program over the other's in the same round.
    std::printf("\n%-44s %9s %9s %9s\n", "per-round ratio", "min", "median", "max");
    auto ratio = [](const std::string& name, const std::vector<bench::Sample>& top,
                    const std::vector<bench::Sample>& bottom) {
        std::vector<double> wall, cpu;
        for (std::size_t r = 0; r < top.size() && r < bottom.size(); ++r) {
            if (bottom[r].wall > 0) wall.push_back(top[r].wall / bottom[r].wall);
            if (bottom[r].cpu > 0) cpu.push_back(top[r].cpu / bottom[r].cpu);
        }
        std::printf("%-44s%s\n", (name + ", wall").c_str(),
                    bench::Columns(bench::Summarize(wall), "%10.2f").c_str());
        std::printf("%-44s%s\n", (name + ", CPU").c_str(),
                    bench::Columns(bench::Summarize(cpu), "%10.2f").c_str());
    };
    if (havePython) ratio("whole cycle, configparser / tessaly", pythonCycles, ourCycles);
    ratio("load, tessaly / libinih parse", ourLoads, inih);
    std::printf(
        "targets: whole cycle configparser / tessaly >= 20; load tessaly / libinih <= 1.5\n");
    std::filesystem::remove_all(dir);
    return 0;
}
