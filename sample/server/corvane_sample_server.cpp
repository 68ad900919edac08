// corvane-sample-server: serves the sample wiki on 127.0.0.1 for demonstrations and manual
// tests. Prints the port it listens on as the first line of its output, then serves until
// it is interrupted (SIGINT, SIGTERM).
//
//   corvane-sample-server [WIKI_FOLDER]
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "server/sample_wiki.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
    using corvane::sample::SampleWiki;
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))) {
        std::fprintf(stderr, "usage: corvane-sample-server [WIKI_FOLDER]\n");
        return argc > 2 ? 2 : 0;
    }
    std::filesystem::path folder =
        argc == 2 ? std::filesystem::path(argv[1]) : SampleWiki::DefaultFolder();
    try {
        SampleWiki wiki(folder);
        httplib::Server server;
        wiki.Install(server);
        const int port = server.bind_to_any_port("127.0.0.1");
        if (port < 0) throw std::runtime_error("cannot listen on 127.0.0.1");
        std::thread serving([&server] { server.listen_after_bind(); });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::printf("%d\n", port);
        std::fflush(stdout);
        while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.stop();
        serving.join();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane-sample-server: %s\n", e.what());
        return 1;
    }
    return 0;
}
