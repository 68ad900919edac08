// The container of a compiled help file (.chm): its headers and its directory of named files.
// It reads the files kept uncompressed in section 0 and writes a copy of the container in
// which some section-0 files are added or replaced; every other file keeps its bytes, and the
// compressed content section is carried over as it stands.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane {

struct CChmEntry {
    std::string strName;  // "/#SYSTEM", "/page.html", "::DataSpace/NameList"
    uint64_t nSection = 0;
    uint64_t nOffset = 0;
    uint64_t nLength = 0;
};

class CChmContainer {
public:
    // Takes the whole file. False, with the reason in `error`, when the bytes are not a
    // container of the layout the help compilers write.
    bool Parse(std::string bytes, std::string& error);

    // The directory in its stored order.
    const std::vector<CChmEntry>& GetEntries() const { return m_entries; }
    const CChmEntry* Find(const std::string& name) const;
    // The bytes of a file kept in section 0; false for other sections or a file out of range.
    bool ReadSection0(const CChmEntry& entry, std::string& bytes) const;

    // Stores `bytes` uncompressed under `name` when the container is written: an entry of that
    // name is pointed at the new bytes, otherwise one is added in directory order.
    void PutSection0File(const std::string& name, std::string bytes);

    // The new container.
    std::string Write() const;

    // Directory order: bytes compared with ASCII letters folded to lower case, the order
    // that readers' lookups rely on.
    static int CompareNames(const std::string& a, const std::string& b);

private:
    std::string m_bytes;
    std::vector<CChmEntry> m_entries;
    uint64_t m_nContentOffset = 0;
    uint32_t m_nChunkSize = 0;
    std::map<std::string, std::string> m_added;
};

// A directory laid out in chunks: listing chunks in name order, chained, then the index
// chunks above them, level by level up to the root.
struct CChmDirectory {
    std::string strChunks;  // every chunk, in order
    uint32_t nChunks = 0;
    uint32_t nListingChunks = 0;  // the first ones; listing chunk 0 starts the chain
    uint32_t nDepth = 1;          // 1: listing chunks only
    int32_t nRoot = -1;           // the top index chunk, -1 without one
};

// `entries` must be in directory order (CChmContainer::CompareNames).
CChmDirectory WriteChmDirectory(const std::vector<CChmEntry>& entries, uint32_t chunkSize);
// Fills the directory fields (depth, root, first and last listing chunk, chunk count) of the
// directory header that starts at `itsp` in `out`.
void PutDirectoryHeader(std::string& out, size_t itsp, const CChmDirectory& directory);

// The start of a new container, up to where section 0 begins: file header (version 3), header
// section 0 with the file size, directory header and `directory`'s chunks.
std::string WriteChmPrefix(const CChmDirectory& directory, uint32_t chunkSize, uint32_t lcid,
                           uint32_t timestamp, uint64_t section0Size);

// The directory's variable-length numbers: 7 bits a byte, most significant group first.
void AppendEncInt(std::string& out, uint64_t value);
bool ReadEncInt(const std::string& bytes, size_t& pos, size_t end, uint64_t& value);

}  // namespace corvane
