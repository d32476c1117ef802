// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds saved inputs to a fuzz target without libFuzzer, so the ordinary build
// (and CTest) keeps every corpus and every fixed finding passing:
//
//   <target>_replay [--timing] DIR_OR_FILE...
//
// Each directory's files are fed in name order; a directory that does not
// exist is skipped (a target may have no regressions yet), but finding no
// input at all is an error. A failing input ends the run with its name on
// stderr. --timing prints the slowest inputs (each run three times, the
// fastest run counted), to keep an eye on their cost.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
// A target may set itself up once (a QCoreApplication, say); libFuzzer calls
// this first when the target has it, and so does the replay.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// The input being run, told when it fails in any way.
char g_current[4096];

void tellCurrent() {
    const char prefix[] = "\nfailing input: ";
    (void)!::write(2, prefix, sizeof prefix - 1);
    (void)!::write(2, g_current, std::strlen(g_current));
    (void)!::write(2, "\n", 1);
}

void onSignal(int sig) {
    tellCurrent();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::vector<char> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
    bool timing = false;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timing") {
            timing = true;
            continue;
        }
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(arg, ec)) {
            inputs.emplace_back(arg);
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }

    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::signal(SIGABRT, onSignal);
    std::signal(SIGSEGV, onSignal);
    std::signal(SIGFPE, onSignal);
    std::set_terminate([] {
        tellCurrent();
        std::abort();
    });

    std::vector<std::pair<double, fs::path>> costs;
    for (const fs::path& path : inputs) {
        std::snprintf(g_current, sizeof g_current, "%s", path.c_str());
        const std::vector<char> bytes = readAll(path);
        // An empty vector's data() may be null; libFuzzer never passes null.
        const uint8_t empty = 0;
        const auto* data = bytes.empty() ? &empty : reinterpret_cast<const uint8_t*>(bytes.data());
        // Timed, an input runs three times and counts its fastest run: on a
        // shared machine a slow run is often another process's time slice.
        double fastest = 0;
        for (int run = 0; run < (timing ? 3 : 1); ++run) {
            const auto start = std::chrono::steady_clock::now();
            LLVMFuzzerTestOneInput(data, bytes.size());
            const std::chrono::duration<double, std::micro> took =
                std::chrono::steady_clock::now() - start;
            fastest = run == 0 ? took.count() : std::min(fastest, took.count());
        }
        if (timing)
            costs.emplace_back(fastest, path);
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    if (timing) {
        std::sort(costs.rbegin(), costs.rend());
        for (std::size_t i = 0; i < costs.size() && i < 5; ++i)
            std::printf("%10.1f us  %s\n", costs[i].first, costs[i].second.c_str());
    }
    return 0;
}
