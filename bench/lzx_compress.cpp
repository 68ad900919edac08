// Speed and ratio of the help file's LZX compressor. Without arguments it compresses the
// sample wiki's files and a generated set of help pages; given a .chm compiled by another
// compiler, it compresses that file's own compressed section (read back through chmlib) with
// the same window and reset interval and sets our size beside the other compiler's.
// Given folders, it compresses all their files one after another.
//   bench_lzx_compress [file.chm | folder]...
#include <chm_lib.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chm/lzx_encoder.h"
#include "platform/text_codec.h"

using namespace corvane;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string FolderBytes(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::string bytes;
    for (const auto& path : paths) bytes += ReadFile(path);
    return bytes;
}

// Help pages shaped like the converted wiki's: the same frame around every page, a title and
// headings that vary, Japanese text (Shift_JIS bytes) and links.
std::string GeneratedPages(size_t bytes) {
    static const std::vector<std::string> kWords = [] {
        std::vector<std::string> words;
        for (const char* word : {"ヘルプ", "作成", "設定", "ページ", "出力", "フォルダ", "開始",
                                 "URL", "指定", "します", "を", "は", "の", "。", "、"})
            words.push_back(Utf8ToSjis(word));
        return words;
    }();
    std::string out;
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245 + 12345, (seed >> 16) & 0x7FFF; };
    for (int page = 0; out.size() < bytes; ++page) {
        out +=
            "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
            "charset=Shift_JIS\">\r\n<title>Page" +
            std::to_string(page) +
            "</title>\r\n<link rel=\"stylesheet\" href=\"pukiwiki.css\" "
            "type=\"text/css\">\r\n</head>\r\n<body>\r\n<div id=\"body\">\r\n";
        const int sections = 2 + static_cast<int>(next() % 4);
        for (int s = 0; s < sections; ++s) {
            out += "<h2 id=\"content_1_" + std::to_string(s) + "\">";
            for (int w = 0; w < 3; ++w) out += kWords[next() % 15];
            out += "</h2>\r\n<p>";
            const int words = 20 + static_cast<int>(next() % 60);
            for (int w = 0; w < words; ++w) {
                if (next() % 17 == 0)
                    out += "<a href=\"Page" + std::to_string(next() % 10000) + ".html\">Page" +
                           std::to_string(next() % 10000) + "</a>";
                else
                    out += kWords[next() % 15];
            }
            out += "</p>\r\n";
        }
        out += "</div>\r\n</body>\r\n</html>\r\n";
    }
    out.resize(bytes);
    return out;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs `run` until half a second has passed; wall and CPU seconds per run. The machine may be
// shared, so the CPU time (per core) is the figure to compare.
template <typename F>
std::pair<double, double> Seconds(F&& run) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    int rounds = 0;
    double wall = 0;
    do {
        run();
        ++rounds;
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (wall < 0.5);
    return {wall / rounds, (ProcessCpuSeconds() - cpuStart) / rounds};
}

void Report(const char* name, const std::string& data, unsigned windowBits, size_t interval,
            uint64_t otherSize) {
    const double mb = static_cast<double>(data.size()) / 1e6;
    std::printf("%s: %.2f MB, window 2^%u\n", name, mb, windowBits);
    if (otherSize)
        std::printf("  the other compiler, reset interval %zu KB: %llu bytes (%.1f%%)\n",
                    interval / 1024, static_cast<unsigned long long>(otherSize),
                    100.0 * static_cast<double>(otherSize) / std::max<double>(1, data.size()));
    for (size_t factor : {1, 4, 16}) {
        CLzxSection one;
        const auto [wall1, cpu1] =
            Seconds([&] { one = LzxCompressSection(data, windowBits, factor * interval, 1); });
        const auto [wall2, cpu2] =
            Seconds([&] { LzxCompressSection(data, windowBits, factor * interval, 2); });
        const double size = static_cast<double>(one.strBytes.size());
        std::printf("  ours, reset interval %4zu KB: %9llu bytes (%.1f%%", factor * interval / 1024,
                    static_cast<unsigned long long>(one.strBytes.size()),
                    100.0 * size / std::max<double>(1, data.size()));
        if (otherSize) std::printf(", %+.1f%% against the other", 100.0 * (size / otherSize - 1));
        std::printf("); %.1f MB/s per core, %.1f MB/s wall on 1 thread, %.1f on 2\n", mb / cpu1,
                    mb / wall1, mb / wall2);
        (void)cpu2;
    }
}

struct CChmSection {
    std::string bytes;
    uint64_t content = 0;
    unsigned windowBits = 16;
    size_t interval = 2 * kLzxFrameBytes;
};

int CollectCompressed(chmFile* h, chmUnitInfo* ui, void* context) {
    auto* units = static_cast<std::vector<chmUnitInfo>*>(context);
    if (ui->space == CHM_COMPRESSED && ui->length > 0) units->push_back(*ui);
    return CHM_ENUMERATOR_CONTINUE;
    (void)h;
}

bool ReadChm(const char* path, CChmSection& section) {
    chmFile* h = chm_open(path);
    if (!h) return false;
    std::vector<chmUnitInfo> units;
    chm_enumerate(h, CHM_ENUMERATE_ALL, CollectCompressed, &units);
    std::sort(units.begin(), units.end(),
              [](const chmUnitInfo& a, const chmUnitInfo& b) { return a.start < b.start; });
    for (const chmUnitInfo& u : units) {
        std::string bytes(u.length, '\0');
        chmUnitInfo unit = u;
        chm_retrieve_object(h, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(u.length));
        if (section.bytes.size() < u.start) section.bytes.resize(u.start, '\0');
        section.bytes.replace(u.start, std::min<uint64_t>(u.length, section.bytes.size() - u.start),
                              bytes);
    }
    chmUnitInfo ui;
    if (chm_resolve_object(h, "::DataSpace/Storage/MSCompressed/Content", &ui) ==
        CHM_RESOLVE_SUCCESS)
        section.content = ui.length;
    if (chm_resolve_object(h, "::DataSpace/Storage/MSCompressed/ControlData", &ui) ==
        CHM_RESOLVE_SUCCESS) {
        unsigned char control[28] = {};
        chm_retrieve_object(h, &ui, control, 0, std::min<LONGINT64>(28, ui.length));
        auto get32 = [&](int at) {
            return static_cast<uint32_t>(control[at] | control[at + 1] << 8 |
                                         control[at + 2] << 16 | control[at + 3] << 24);
        };
        uint32_t reset = get32(12), window = get32(16);
        if (get32(8) == 2) reset *= kLzxFrameBytes, window *= kLzxFrameBytes;
        section.windowBits = std::bit_width(window) - 1;
        section.interval = reset;
    }
    chm_close(h);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        const std::string wiki =
            FolderBytes(std::filesystem::path(CORVANE_SOURCE_DIR) / "sample" / "wiki");
        Report("sample wiki", wiki, 16, 2 * kLzxFrameBytes, 0);
        Report("generated help pages", GeneratedPages(40 * 1000 * 1000), 16, 2 * kLzxFrameBytes, 0);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (path.extension() == ".chm") {
            CChmSection section;
            if (!ReadChm(argv[i], section)) {
                std::printf("%s: not readable by chmlib\n", argv[i]);
                continue;
            }
            Report(argv[i], section.bytes, section.windowBits, section.interval, section.content);
        } else {
            Report(argv[i], FolderBytes(path), 16, 2 * kLzxFrameBytes, 0);
        }
    }
    return 0;
}
