// Reads the files of a compiled help file through chmlib, which also unpacks the compressed
// content section: the topic table, the pages, and the check that a rewritten help file
// still gives every file back.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct chmFile;

namespace corvane {

class CChmFileReader {
public:
    CChmFileReader() = default;
    ~CChmFileReader();
    CChmFileReader(const CChmFileReader&) = delete;
    CChmFileReader& operator=(const CChmFileReader&) = delete;

    // `path` is a Shift_JIS path text. False when chmlib cannot open the file.
    bool Open(const std::string& path);
    void Close();

    // The whole file `name` ("/#TOPICS"); false when it is missing or cannot be read whole.
    bool Read(const std::string& name, std::string& bytes) const;

private:
    chmFile* m_pFile = nullptr;
};

// One page of the help file's topic table: its number and its file name inside the help
// file (no leading "/").
struct CChmTopic {
    uint32_t nIndex;
    std::string strLocal;
};

// The topics of an open help file, from #TOPICS, #URLTBL and #URLSTR; false when the tables
// are missing or point outside themselves.
bool ReadChmTopics(const CChmFileReader& reader, std::vector<CChmTopic>& topics,
                   std::string& error);

}  // namespace corvane
