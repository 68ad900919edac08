// The built-in help compiler on a help project that lies in a folder, for scripts/bench
// compile (which times it beside chmcmd with /usr/bin/time):
//   bench_compile_help builtin FOLDER PROJECT.hhp   compiles; prints files, MB in and out
//   bench_compile_help search HELP.chm PAGE...      gives a help file chmcmd made the
//                                                   Japanese index, as the program does
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "help/builtin_compiler.h"
#include "help/japanese_search.h"

int main(int argc, char** argv) {
    using namespace corvane;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "builtin" && argc == 4) {
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
        std::string error;
        std::string folder = argv[2];
        if (folder.back() != '/') folder += '/';
        if (!compiler.Compile(folder, argv[3], error)) {
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
