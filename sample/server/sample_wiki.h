// Serves a static copy of a PukiWiki site (sample/wiki/) over an HTTP server, answering
// each request with the file its map.tsv names, as the wiki itself would. Used by the
// demo, the manual's build and the tests.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include <httplib.h>

namespace corvane::sample {

class SampleWiki {
public:
    // Reads `folder`/map.tsv; throws std::runtime_error when it cannot be read.
    explicit SampleWiki(const std::filesystem::path& folder);

    // Installs the wiki's routes on the server (before the server starts).
    void Install(httplib::Server& server);

    // The answer to one request target (path and raw query): the status, body and type.
    struct Answer {
        int nStatus = 404;
        std::string strBody;
        std::string strType = "text/plain";
    };
    Answer Lookup(const std::string& target) const;

    // The sample wiki of the source tree.
    static std::filesystem::path DefaultFolder();

private:
    struct Entry {
        std::string strFile;
        std::string strType;
    };

    std::filesystem::path m_folder;
    std::map<std::string, Entry> m_queries;  // decoded query -> entry
    std::map<std::string, Entry> m_paths;    // path without query -> entry
    Entry m_missing;                         // any other request to the wiki script
    bool m_bHasMissing = false;
};

}  // namespace corvane::sample
