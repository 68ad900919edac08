// The built-in help compiler on a help project that lies in a folder, for scripts/bench
// compile (which times it beside chmcmd with /usr/bin/time):
//   bench_compile_help builtin FOLDER PROJECT.hhp [MS]
//                                                   compiles; prints files, MB in and out
//                                                   (cancelled after MS milliseconds)
//   bench_compile_help search HELP.chm PAGE...      gives a help file chmcmd made the
//                                                   Japanese index, as the program does
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "help/builtin_compiler.h"
#include "help/japanese_search.h"

int main(int argc, char** argv) {
    using namespace corvane;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "builtin" && (argc == 4 || argc == 5)) {
        CBuiltinCompiler compiler;
        // The longest time the calling thread (a window's, in the program) went without
        // being handed back: how long a window would stop painting.
        using Clock = std::chrono::steady_clock;
        Clock::time_point last = Clock::now();
        Clock::duration longest{};
        compiler.SetWaiting([&] {
            const Clock::time_point now = Clock::now();
            longest = std::max(longest, now - last);
            last = now;
        });
        // With a fourth argument, the compile is cancelled that many milliseconds after its
        // start: how long it then takes to return.
        const Clock::time_point start = Clock::now();
        const long long cancelAfter = argc == 5 ? std::atoll(argv[4]) : -1;
        Clock::time_point cancelled{};
        compiler.SetCancel([&] {
            if (cancelAfter < 0 || Clock::now() - start < std::chrono::milliseconds(cancelAfter))
                return false;
            if (cancelled == Clock::time_point{}) cancelled = Clock::now();
            return true;
        });
        std::string error;
        std::string folder = argv[2];
        if (folder.back() != '/') folder += '/';
        const bool made = compiler.Compile(folder, argv[3], error);
        if (compiler.WasCancelled()) {
            std::printf(
                "cancelled after %lld ms; returned %lld ms later\n", cancelAfter,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - cancelled)
                        .count()));
            return 130;
        }
        if (!made) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const CBuiltinCompileStats& s = compiler.GetStats();
        longest = std::max(longest, Clock::now() - last);
        std::printf(
            "%zu files, %.1f MB in, %.1f MB out, %zu topics, %zu words; "
            "the caller waited at most %lld ms at a time\n",
            s.nFiles, s.nInputBytes / 1048576.0, s.nOutputBytes / 1048576.0, s.nTopics, s.nWords,
            static_cast<long long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()));
        return 0;
    }
    if (mode == "search" && argc >= 3) {
        std::vector<std::string> pages(argv + 3, argv + argc);
        const CJapaneseSearchResult r = RebuildJapaneseSearch(argv[2], pages);
        if (!r.bReplaced) {
            std::fprintf(stderr, "%s\n", r.strReason.c_str());
            return 1;
        }
        std::printf("%zu pages, %zu words\n", r.nPages, r.nWords);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: bench_compile_help builtin FOLDER PROJECT.hhp | search HELP.chm\n");
    return 2;
}
