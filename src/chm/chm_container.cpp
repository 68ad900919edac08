#include "chm/chm_container.h"

#include <cstring>

#include "platform/ascii.h"

namespace corvane {
namespace {

// Fixed places of the container version 3 header and the directory header.
constexpr size_t kItsfHeaderSize = 0x60;
constexpr size_t kHeaderSection0Size = 0x18;
constexpr size_t kDirectoryStart = kItsfHeaderSize + kHeaderSection0Size;
constexpr size_t kItspHeaderSize = 0x54;
constexpr size_t kPmglHeaderSize = 20;
constexpr size_t kPmgiHeaderSize = 8;
// A directory chunk indexes every fifth entry in its quick-reference area.
constexpr int kQuickRefEvery = 5;

uint32_t Get32(const std::string& b, size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + pos);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Get64(const std::string& b, size_t pos) {
    return Get32(b, pos) | (static_cast<uint64_t>(Get32(b, pos + 4)) << 32);
}

void Put32(std::string& b, size_t pos, uint32_t value) {
    for (int i = 0; i < 4; ++i) b[pos + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put64(std::string& b, size_t pos, uint64_t value) {
    Put32(b, pos, static_cast<uint32_t>(value));
    Put32(b, pos + 4, static_cast<uint32_t>(value >> 32));
}

// One directory chunk being filled, kept the way the compilers lay it out: entries after the
// header, quick references growing backwards from the entry count in the last two bytes.
class CChunkBuilder {
public:
    CChunkBuilder(size_t chunkSize, size_t headerSize)
        : m_nChunkSize(chunkSize), m_nHeaderSize(headerSize) {
        Clear();
    }
    bool CanHold(size_t size) const {
        return m_nPos + size + 2 * (m_quickRefs.size() + 2) < m_nChunkSize;
    }
    void Add(const std::string& entry) {
        std::memcpy(&m_buffer[m_nPos], entry.data(), entry.size());
        m_nPos += entry.size();
        ++m_nCount;
        if (m_nCount % kQuickRefEvery == 0) {
            m_quickRefs.push_back(static_cast<uint16_t>(m_nPos - entry.size() - m_nHeaderSize));
        }
    }
    int Count() const { return m_nCount; }
    uint32_t FreeSpace() const { return static_cast<uint32_t>(m_nChunkSize - m_nPos); }
    // The finished chunk with `header` (its free-space field already filled) in front.
    std::string Finish(const std::string& header) {
        std::string chunk = m_buffer;
        std::memcpy(&chunk[0], header.data(), header.size());
        for (size_t i = 0; i < m_quickRefs.size(); ++i) {
            const size_t at = m_nChunkSize - 2 - 2 * (i + 1);
            chunk[at] = static_cast<char>(m_quickRefs[i] & 0xFF);
            chunk[at + 1] = static_cast<char>(m_quickRefs[i] >> 8);
        }
        chunk[m_nChunkSize - 2] = static_cast<char>(m_nCount & 0xFF);
        chunk[m_nChunkSize - 1] = static_cast<char>((m_nCount >> 8) & 0xFF);
        Clear();
        return chunk;
    }

private:
    void Clear() {
        m_buffer.assign(m_nChunkSize, '\0');
        m_nPos = m_nHeaderSize;
        m_nCount = 0;
        m_quickRefs.clear();
    }
    size_t m_nChunkSize;
    size_t m_nHeaderSize;
    std::string m_buffer;
    size_t m_nPos = 0;
    int m_nCount = 0;
    std::vector<uint16_t> m_quickRefs;
};

std::string NameBytes(const std::string& name) {
    std::string out;
    AppendEncInt(out, name.size());
    out += name;
    return out;
}

}  // namespace

void AppendEncInt(std::string& out, uint64_t value) {
    char groups[10];
    int n = 0;
    do {
        groups[n++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) out += static_cast<char>(groups[--n] | 0x80);
    out += groups[0];
}

bool ReadEncInt(const std::string& bytes, size_t& pos, size_t end, uint64_t& value) {
    value = 0;
    for (int i = 0; i < 9 && pos < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[pos++]);
        value = (value << 7) | (c & 0x7F);
        if ((c & 0x80) == 0) return true;
    }
    return false;
}

int CChmContainer::CompareNames(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool CChmContainer::Parse(std::string bytes, std::string& error) {
    m_bytes = std::move(bytes);
    m_entries.clear();
    m_added.clear();
    const std::string& b = m_bytes;
    if (b.size() < kDirectoryStart + kItspHeaderSize || b.compare(0, 4, "ITSF") != 0) {
        error = "not a compiled help file";
        return false;
    }
    if (Get32(b, 4) != 3 || Get32(b, 8) != kItsfHeaderSize) {
        error = "container version " + std::to_string(Get32(b, 4)) + " not handled";
        return false;
    }
    const uint64_t directoryLength = Get64(b, 0x50);
    m_nContentOffset = Get64(b, 0x58);
    // The layout every help compiler writes: header section 0, then the directory, then the
    // content; anything else is left alone rather than guessed at.
    if (Get64(b, 0x38) != kItsfHeaderSize || Get64(b, 0x40) != kHeaderSection0Size ||
        Get64(b, 0x48) != kDirectoryStart ||
        m_nContentOffset != kDirectoryStart + directoryLength || m_nContentOffset > b.size() ||
        Get64(b, kItsfHeaderSize + 8) != b.size()) {
        error = "unexpected container layout";
        return false;
    }
    const size_t itsp = kDirectoryStart;
    if (b.compare(itsp, 4, "ITSP") != 0 || Get32(b, itsp + 8) != kItspHeaderSize) {
        error = "directory header not found";
        return false;
    }
    m_nChunkSize = Get32(b, itsp + 0x10);
    const uint32_t chunkCount = Get32(b, itsp + 0x2C);
    if (m_nChunkSize < 0x200 || m_nChunkSize > 0x10000 ||
        kItspHeaderSize + static_cast<uint64_t>(chunkCount) * m_nChunkSize != directoryLength) {
        error = "directory size does not match its chunks";
        return false;
    }
    const size_t chunks = itsp + kItspHeaderSize;
    // The listing chain starts at the listing chunk that has no predecessor. The header's
    // "first listing chunk" is not trusted: chmcmd writes 1 there when the directory has
    // several chunks, though chunk 0 starts the chain.
    int32_t index = -1;
    uint32_t listingChunks = 0;
    for (uint32_t i = 0; i < chunkCount; ++i) {
        const size_t start = chunks + static_cast<size_t>(i) * m_nChunkSize;
        if (b.compare(start, 4, "PMGL") != 0) continue;
        ++listingChunks;
        if (static_cast<int32_t>(Get32(b, start + 12)) == -1) {
            if (index != -1) {
                error = "two directory chains";
                return false;
            }
            index = static_cast<int32_t>(i);
        }
    }
    if (index == -1) {
        error = "no directory listing";
        return false;
    }
    uint32_t visited = 0;
    for (; index != -1; ++visited) {
        if (index < 0 || static_cast<uint32_t>(index) >= chunkCount || visited >= chunkCount) {
            error = "broken directory chain";
            return false;
        }
        const size_t start = chunks + static_cast<size_t>(index) * m_nChunkSize;
        const uint32_t freeSpace = Get32(b, start + 4);
        if (b.compare(start, 4, "PMGL") != 0 || freeSpace > m_nChunkSize - kPmglHeaderSize) {
            error = "broken directory chunk";
            return false;
        }
        const size_t end = start + m_nChunkSize - freeSpace;
        size_t pos = start + kPmglHeaderSize;
        while (pos < end) {
            CChmEntry entry;
            uint64_t nameLength = 0;
            if (!ReadEncInt(b, pos, end, nameLength) || nameLength == 0 || nameLength > end - pos) {
                error = "broken directory entry";
                return false;
            }
            entry.strName = b.substr(pos, nameLength);
            pos += nameLength;
            if (!ReadEncInt(b, pos, end, entry.nSection) ||
                !ReadEncInt(b, pos, end, entry.nOffset) ||
                !ReadEncInt(b, pos, end, entry.nLength)) {
                error = "broken directory entry";
                return false;
            }
            m_entries.push_back(std::move(entry));
        }
        index = static_cast<int32_t>(Get32(b, start + 16));
    }
    // Every listing chunk must lie on the chain, or files would be lost in a rewrite.
    if (visited != listingChunks) {
        error = "directory chunks off the chain";
        return false;
    }
    return true;
}

const CChmEntry* CChmContainer::Find(const std::string& name) const {
    for (const CChmEntry& entry : m_entries) {
        if (entry.strName == name) return &entry;
    }
    return nullptr;
}

bool CChmContainer::ReadSection0(const CChmEntry& entry, std::string& bytes) const {
    if (entry.nSection != 0) return false;
    const uint64_t size = m_bytes.size() - m_nContentOffset;
    if (entry.nOffset > size || entry.nLength > size - entry.nOffset) return false;
    bytes = m_bytes.substr(m_nContentOffset + entry.nOffset, entry.nLength);
    return true;
}

void CChmContainer::PutSection0File(const std::string& name, std::string bytes) {
    m_added[name] = std::move(bytes);
}

CChmDirectory WriteChmDirectory(const std::vector<CChmEntry>& entries, uint32_t chunkSize) {
    CChmDirectory directory;
    // Listing chunks, in directory order.
    std::vector<std::string> chunks;
    std::vector<std::string> firstNames;
    CChunkBuilder listing(chunkSize, kPmglHeaderSize);
    auto finishListing = [&](bool last) {
        std::string header("PMGL", 4);
        header.resize(kPmglHeaderSize, '\0');
        const int32_t index = static_cast<int32_t>(chunks.size());
        Put32(header, 4, listing.FreeSpace());
        Put32(header, 12, static_cast<uint32_t>(index - 1));
        Put32(header, 16, last ? 0xFFFFFFFFu : static_cast<uint32_t>(index + 1));
        chunks.push_back(listing.Finish(header));
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string data = NameBytes(entries[i].strName);
        AppendEncInt(data, entries[i].nSection);
        AppendEncInt(data, entries[i].nOffset);
        AppendEncInt(data, entries[i].nLength);
        if (!listing.CanHold(data.size())) finishListing(false);
        if (listing.Count() == 0) firstNames.push_back(entries[i].strName);
        listing.Add(data);
    }
    finishListing(true);
    directory.nListingChunks = static_cast<uint32_t>(chunks.size());

    // Index chunks over them, level by level, until one chunk is the root.
    std::vector<std::pair<std::string, uint32_t>> level;
    for (uint32_t i = 0; i < directory.nListingChunks; ++i) level.emplace_back(firstNames[i], i);
    while (level.size() > 1) {
        std::vector<std::pair<std::string, uint32_t>> upper;
        CChunkBuilder index(chunkSize, kPmgiHeaderSize);
        auto finishIndex = [&]() {
            std::string header("PMGI", 4);
            header.resize(kPmgiHeaderSize, '\0');
            Put32(header, 4, index.FreeSpace());
            chunks.push_back(index.Finish(header));
        };
        for (const auto& [name, child] : level) {
            std::string data = NameBytes(name);
            AppendEncInt(data, child);
            if (!index.CanHold(data.size())) finishIndex();
            if (index.Count() == 0) {
                upper.emplace_back(name, static_cast<uint32_t>(chunks.size()));
            }
            index.Add(data);
        }
        finishIndex();
        ++directory.nDepth;
        level = std::move(upper);
        directory.nRoot = static_cast<int32_t>(level.front().second);
    }
    directory.nChunks = static_cast<uint32_t>(chunks.size());
    directory.strChunks.reserve(chunks.size() * chunkSize);
    for (const std::string& chunk : chunks) directory.strChunks += chunk;
    return directory;
}

void PutDirectoryHeader(std::string& out, size_t itsp, const CChmDirectory& directory) {
    Put32(out, itsp + 0x18, directory.nDepth);
    Put32(out, itsp + 0x1C, static_cast<uint32_t>(directory.nRoot));
    Put32(out, itsp + 0x20, 0);
    Put32(out, itsp + 0x24, directory.nListingChunks - 1);
    Put32(out, itsp + 0x2C, directory.nChunks);
}

std::string WriteChmPrefix(const CChmDirectory& directory, uint32_t chunkSize, uint32_t lcid,
                           uint32_t timestamp, uint64_t section0Size) {
    // The identifiers every container carries: two in the file header, one in the directory's.
    static const unsigned char kItsfGuids[32] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC,
                                                 0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
    static const unsigned char kItspGuid[16] = {0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                                0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
    const uint64_t directoryLength = kItspHeaderSize + directory.strChunks.size();
    const uint64_t contentOffset = kDirectoryStart + directoryLength;
    std::string out(kDirectoryStart + kItspHeaderSize, '\0');
    std::memcpy(&out[0], "ITSF", 4);
    Put32(out, 4, 3);
    Put32(out, 8, kItsfHeaderSize);
    Put32(out, 0x0C, 1);
    Put32(out, 0x10, timestamp);
    Put32(out, 0x14, lcid);
    std::memcpy(&out[0x18], kItsfGuids, sizeof kItsfGuids);
    Put64(out, 0x38, kItsfHeaderSize);
    Put64(out, 0x40, kHeaderSection0Size);
    Put64(out, 0x48, kDirectoryStart);
    Put64(out, 0x50, directoryLength);
    Put64(out, 0x58, contentOffset);
    // Header section 0: the file size.
    Put32(out, kItsfHeaderSize, 0x01FE);
    Put64(out, kItsfHeaderSize + 8, contentOffset + section0Size);
    const size_t itsp = kDirectoryStart;
    std::memcpy(&out[itsp], "ITSP", 4);
    Put32(out, itsp + 4, 1);
    Put32(out, itsp + 8, kItspHeaderSize);
    Put32(out, itsp + 0x0C, 0x0A);
    Put32(out, itsp + 0x10, chunkSize);
    Put32(out, itsp + 0x14, 2);  // quick-reference density: every 1 + 2^2 entries
    PutDirectoryHeader(out, itsp, directory);
    Put32(out, itsp + 0x28, 0xFFFFFFFFu);
    Put32(out, itsp + 0x30, lcid);
    std::memcpy(&out[itsp + 0x34], kItspGuid, sizeof kItspGuid);
    Put32(out, itsp + 0x44, kItspHeaderSize);
    Put32(out, itsp + 0x48, 0xFFFFFFFFu);
    Put32(out, itsp + 0x4C, 0xFFFFFFFFu);
    Put32(out, itsp + 0x50, 0xFFFFFFFFu);
    out.reserve(contentOffset + section0Size);
    out += directory.strChunks;
    return out;
}

std::string CChmContainer::Write() const {
    std::vector<CChmEntry> entries = m_entries;
    std::string appended;
    uint64_t offset = m_bytes.size() - m_nContentOffset;
    for (const auto& [name, data] : m_added) {
        CChmEntry entry{name, 0, offset + appended.size(), data.size()};
        appended += data;
        bool replaced = false;
        for (CChmEntry& old : entries) {
            if (old.strName == name) {
                old = entry;
                replaced = true;
            }
        }
        if (replaced) continue;
        auto at = entries.begin();
        while (at != entries.end() && CompareNames(at->strName, name) < 0) ++at;
        entries.insert(at, entry);
    }

    const CChmDirectory directory = WriteChmDirectory(entries, m_nChunkSize);
    const uint64_t directoryLength = kItspHeaderSize + directory.strChunks.size();
    const uint64_t contentOffset = kDirectoryStart + directoryLength;
    const uint64_t section0Size = (m_bytes.size() - m_nContentOffset) + appended.size();

    std::string out = m_bytes.substr(0, kDirectoryStart + kItspHeaderSize);
    Put64(out, 0x50, directoryLength);
    Put64(out, 0x58, contentOffset);
    Put64(out, kItsfHeaderSize + 8, contentOffset + section0Size);
    PutDirectoryHeader(out, kDirectoryStart, directory);
    out.reserve(contentOffset + section0Size);
    out += directory.strChunks;
    out.append(m_bytes, m_nContentOffset, std::string::npos);
    out += appended;
    return out;
}

}  // namespace corvane
