// The help file's full-text index ($FIftiMain): a B-tree of words whose leaves point at the
// topics and word positions where each word stands. The writer builds it from tokenized
// pages; the reader walks it back (the check before a help file is replaced, and tests).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

// One word of a page as the index takes it.
struct CSearchToken {
    std::string strWord;  // Shift_JIS bytes of the word
    uint32_t nPosition;   // word number in the page: the title's words first
    bool bTitle;
};

// Where one word stands: topic number -> word positions in that topic, ascending.
using CFtsHits = std::map<uint32_t, std::vector<uint32_t>>;

class CFtsIndexWriter {
public:
    // Adds the words of one page, `topic` being its number in the help file's topic table.
    void AddDocument(uint32_t topic, const std::vector<CSearchToken>& tokens);

    // The index file, marked with the code page and locale its words are written in.
    // `topicCount`: the topics of the help file; the header counts at least the highest
    // topic number plus one, so that a viewer sizing its tables by it never falls short.
    std::string Write(uint32_t codePage, uint32_t lcid, uint32_t topicCount = 0) const;

    size_t WordCount() const { return m_words.size(); }
    size_t DocumentCount() const { return m_nDocuments; }

private:
    // A word's hits in the body or the title, packed: per page added, its topic number, the
    // number of positions and the positions' differences, each a variable-length number.
    // A tenth of the memory of a map of vectors, which large sites need.
    struct CWord {
        std::string strWord;
        std::string strBody;
        std::string strTitle;
    };
    std::vector<CWord> m_words;  // in the order first seen; sorted when written
    std::unordered_map<std::string, uint32_t> m_wordIndex;  // word -> index in m_words
    // One page's positions by word index and part (2 * index + title), kept empty between
    // pages, and the lists the page filled.
    std::vector<std::vector<uint32_t>> m_positions;
    std::vector<uint32_t> m_touched;
    size_t m_nDocuments = 0;
    uint32_t m_nTopicLimit = 0;  // highest topic number added, plus one
    // Pages added in ascending topic order (as a compile adds them): each word's records are
    // then in topic order and are written as they stand.
    bool m_bAscending = true;
    uint64_t m_nTokens = 0;
    uint64_t m_nTokenBytes = 0;
};

struct CFtsEntry {
    std::string strWord;
    bool bTitle = false;
    CFtsHits hits;
};

class CFtsIndexReader {
public:
    // Reads the header and every leaf entry with its hits; false with a reason when any
    // part does not hold together.
    bool Parse(const std::string& bytes, std::string& error);

    uint32_t GetCodePage() const { return m_nCodePage; }
    uint32_t GetLcid() const { return m_nLcid; }
    uint32_t GetDocumentCount() const { return m_nDocuments; }
    uint32_t GetLeafCount() const { return m_nLeaves; }
    uint32_t GetTreeDepth() const { return m_nDepth; }
    // All entries in leaf order.
    const std::vector<CFtsEntry>& GetEntries() const { return m_entries; }

    // Finds `word` by descending the tree from its root, as a viewer does; the body and the
    // title hits of the word (empty when it is not indexed).
    bool Lookup(const std::string& word, CFtsHits& body, CFtsHits& title) const;

private:
    bool ReadLeaf(uint32_t offset, uint32_t& next, std::vector<CFtsEntry>& out,
                  std::string& error) const;

    std::string m_bytes;
    uint32_t m_nCodePage = 0;
    uint32_t m_nLcid = 0;
    uint32_t m_nDocuments = 0;
    uint32_t m_nLeaves = 0;
    uint32_t m_nDepth = 0;
    uint32_t m_nRoot = 0;
    int m_roots[3] = {0, 0, 0};
    std::vector<CFtsEntry> m_entries;
};

}  // namespace corvane
