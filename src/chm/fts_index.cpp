#include "chm/fts_index.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace corvane {
namespace {

constexpr uint32_t kNodeSize = 4096;
constexpr uint32_t kHeaderSize = 0x400;
constexpr size_t kLeafHeaderSize = 8;
constexpr size_t kIndexHeaderSize = 2;
// Words are stored with a one-byte length; the viewer takes no longer ones.
constexpr size_t kMaxWord = 250;

void Put16(std::string& b, size_t pos, uint32_t v) {
    b[pos] = static_cast<char>(v & 0xFF);
    b[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Append32(std::string& b, uint32_t v) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
}
uint32_t Get16(const std::string& b, size_t pos) {
    return static_cast<unsigned char>(b[pos]) | (static_cast<unsigned char>(b[pos + 1]) << 8);
}
uint32_t Get32(const std::string& b, size_t pos) {
    return Get16(b, pos) | (Get16(b, pos + 2) << 16);
}

// The leaves' variable-length numbers: 7 bits a byte, least significant group first.
void AppendVarInt(std::string& out, uint32_t v) {
    do {
        unsigned char c = v & 0x7F;
        v >>= 7;
        if (v != 0) c |= 0x80;
        out += static_cast<char>(c);
    } while (v != 0);
}
// One topic's hits as the writer packs them: the topic, the count, the positions as deltas.
void AppendHits(std::string& out, uint32_t topic, const std::vector<uint32_t>& positions) {
    AppendVarInt(out, topic);
    AppendVarInt(out, static_cast<uint32_t>(positions.size()));
    uint32_t last = 0;
    for (uint32_t position : positions) {
        AppendVarInt(out, position - last);
        last = position;
    }
}

bool ReadVarInt(const std::string& b, size_t& pos, size_t end, uint32_t& v) {
    v = 0;
    for (int shift = 0; shift < 35 && pos < end; shift += 7) {
        const unsigned char c = static_cast<unsigned char>(b[pos++]);
        v |= static_cast<uint32_t>(c & 0x7F) << shift;
        if ((c & 0x80) == 0) return true;
    }
    return false;
}

int BitLength(uint32_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

// Bits of a scale-2 "scale and root" number of `n` significant bits with a root of `root`
// bits.
uint64_t SrBitsOfLength(int n, int root) {
    return static_cast<uint64_t>(n <= root ? 1 + root : (n - root) + 1 + (n - 1));
}

class CBitWriter {
public:
    explicit CBitWriter(std::string& out) : m_out(out) {}
    ~CBitWriter() { Flush(); }
    // The `count` (at most 32) low bits of `v`, the highest first.
    void Bits(uint32_t v, int count) {
        if (count == 0) return;
        m_nBuf = (m_nBuf << count) | (v & ((uint64_t{1} << count) - 1));
        m_nUsed += count;
        while (m_nUsed >= 8) {
            m_nUsed -= 8;
            m_out += static_cast<char>((m_nBuf >> m_nUsed) & 0xFF);
        }
    }
    void Sr(uint32_t v, int root) {
        const int n = BitLength(v);
        if (n <= root) {
            Bits(0, 1);
            Bits(v, root);
        } else {
            // n - root ones, a zero, then the bits below the top one.
            for (int ones = n - root; ones > 0; ones -= 24) Bits(0xFFFFFF, std::min(ones, 24));
            Bits(0, 1);
            Bits(v, n - 1);
        }
    }
    // Pads the last byte with zeros.
    void Flush() {
        if (m_nUsed == 0) return;
        Bits(0, 8 - m_nUsed);
    }

private:
    std::string& m_out;
    uint64_t m_nBuf = 0;
    int m_nUsed = 0;
};

class CBitReader {
public:
    CBitReader(const std::string& b, size_t pos, size_t end) : m_b(b), m_nPos(pos), m_nEnd(end) {}
    bool Bit(int& bit) {
        if (m_nBit == 8) {
            if (m_nPos >= m_nEnd) return false;
            ++m_nPos;
            m_nBit = 0;
        }
        bit = (static_cast<unsigned char>(m_b[m_nPos - 1]) >> (7 - m_nBit)) & 1;
        ++m_nBit;
        return true;
    }
    bool Sr(int root, uint32_t& v) {
        int bit = 0, prefix = 0;
        while (true) {
            if (!Bit(bit)) return false;
            if (bit == 0) break;
            if (++prefix > 32) return false;
        }
        v = prefix > 0 ? 1 : 0;
        const int rest = prefix > 0 ? root + prefix - 1 : root;
        if (rest > 32) return false;
        for (int i = 0; i < rest; ++i) {
            if (!Bit(bit)) return false;
            v = (v << 1) | static_cast<uint32_t>(bit);
        }
        return true;
    }
    // Each topic's record starts on a byte boundary.
    void Align() { m_nBit = 8; }
    size_t Position() const { return m_nPos; }

private:
    const std::string& m_b;
    size_t m_nPos;
    size_t m_nEnd;
    int m_nBit = 8;
};

// Common prefix of two words, as the leaves store a word after the one before it.
size_t SharedPrefix(const std::string& a, const std::string& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && n < 255 && a[n] == b[n]) ++n;
    return n;
}

void AppendWord(std::string& out, const std::string& word, const std::string& previous) {
    const size_t shared = SharedPrefix(word, previous);
    out += static_cast<char>(word.size() - shared + 1);
    out += static_cast<char>(shared);
    out.append(word, shared, std::string::npos);
}

std::string ReadWord(const std::string& b, size_t& pos, size_t end, const std::string& previous,
                     bool& ok) {
    ok = false;
    if (pos + 2 > end) return std::string();
    const size_t length = static_cast<unsigned char>(b[pos]);
    const size_t shared = static_cast<unsigned char>(b[pos + 1]);
    pos += 2;
    if (length == 0 || shared > previous.size() || pos + length - 1 > end) return std::string();
    std::string word = previous.substr(0, shared) + b.substr(pos, length - 1);
    pos += length - 1;
    ok = true;
    return word;
}

}  // namespace

void CFtsIndexWriter::AddDocument(uint32_t topic, const std::vector<CSearchToken>& tokens) {
    if (m_nDocuments > 0 && topic < m_nTopicLimit) m_bAscending = false;
    ++m_nDocuments;
    m_nTopicLimit = std::max(m_nTopicLimit, topic + 1);
    // The page's positions of each word and part, gathered in lists kept from page to page.
    m_touched.clear();
    for (const CSearchToken& token : tokens) {
        if (token.strWord.empty() || token.strWord.size() > kMaxWord) continue;
        auto [it, added] = m_wordIndex.try_emplace(token.strWord, 0);
        if (added) {
            it->second = static_cast<uint32_t>(m_words.size());
            m_words.push_back({token.strWord, {}, {}});
            m_positions.resize(2 * m_words.size());
        }
        const uint32_t key = 2 * it->second + (token.bTitle ? 1 : 0);
        if (m_positions[key].empty()) m_touched.push_back(key);
        m_positions[key].push_back(token.nPosition);
        ++m_nTokens;
        m_nTokenBytes += token.strWord.size();
    }
    for (uint32_t key : m_touched) {
        std::vector<uint32_t>& positions = m_positions[key];
        if (!std::is_sorted(positions.begin(), positions.end()))
            std::sort(positions.begin(), positions.end());
        CWord& word = m_words[key / 2];
        std::string& packed = (key & 1) ? word.strTitle : word.strBody;
        AppendHits(packed, topic, positions);
        positions.clear();
    }
}

namespace {

// The hits packed by AddDocument, by topic.
CFtsHits UnpackHits(const std::string& packed) {
    CFtsHits hits;
    size_t pos = 0;
    uint32_t topic = 0, count = 0, delta = 0;
    while (ReadVarInt(packed, pos, packed.size(), topic) &&
           ReadVarInt(packed, pos, packed.size(), count)) {
        std::vector<uint32_t>& positions = hits[topic];
        uint32_t last = 0;
        for (uint32_t i = 0; i < count && ReadVarInt(packed, pos, packed.size(), delta); ++i) {
            last += delta;
            positions.push_back(last);
        }
    }
    return hits;
}

// Packed hits with the topics ascending and each topic once, as UnpackHits orders them.
std::string Repack(const std::string& packed) {
    std::string out;
    for (const auto& [topic, positions] : UnpackHits(packed)) AppendHits(out, topic, positions);
    return out;
}

// Calls `topicFn(topicDelta, count)` for each topic record of packed hits (topics
// ascending) and `positionFn(delta)` for each of its positions; the number of topics.
template <class TopicFn, class PositionFn>
uint32_t WalkHits(const std::string& packed, TopicFn topicFn, PositionFn positionFn) {
    size_t pos = 0;
    uint32_t topic = 0, count = 0, delta = 0, lastTopic = 0, topics = 0;
    while (ReadVarInt(packed, pos, packed.size(), topic) &&
           ReadVarInt(packed, pos, packed.size(), count)) {
        topicFn(topic - lastTopic, count);
        lastTopic = topic;
        ++topics;
        for (uint32_t i = 0; i < count && ReadVarInt(packed, pos, packed.size(), delta); ++i) {
            positionFn(delta);
        }
    }
    return topics;
}

// Appends packed hits (topics ascending) in the index's bit coding: per topic its
// distance from the one before, the count of positions and their distances, the record
// ending on a byte.
void EncodeHits(const std::string& packed, const int roots[3], std::string& out) {
    CBitWriter bits(out);
    WalkHits(
        packed,
        [&](uint32_t topicDelta, uint32_t count) {
            bits.Flush();
            bits.Sr(topicDelta, roots[0]);
            bits.Sr(count, roots[1]);
        },
        [&](uint32_t delta) { bits.Sr(delta, roots[2]); });
    bits.Flush();
}

}  // namespace

std::string CFtsIndexWriter::Write(uint32_t codePage, uint32_t lcid, uint32_t topicCount) const {
    // The entries in leaf order: words bytewise, a word's body entry before its title entry.
    struct CEntry {
        const std::string* word;
        bool title;
        const std::string* packed;
        uint32_t nTopics;
    };
    std::vector<const CWord*> words;
    words.reserve(m_words.size());
    for (const CWord& word : m_words) words.push_back(&word);
    std::sort(words.begin(), words.end(),
              [](const CWord* a, const CWord* b) { return a->strWord < b->strWord; });
    // Pages added out of topic order have their records put in order first.
    std::vector<std::string> repacked;
    if (!m_bAscending) repacked.reserve(2 * m_words.size());
    auto inOrder = [&](const std::string& packed) -> const std::string* {
        if (m_bAscending) return &packed;
        repacked.push_back(Repack(packed));
        return &repacked.back();
    };
    std::vector<CEntry> entries;
    for (const CWord* word : words) {
        if (!word->strBody.empty())
            entries.push_back({&word->strWord, false, inOrder(word->strBody), 0});
        if (!word->strTitle.empty())
            entries.push_back({&word->strWord, true, inOrder(word->strTitle), 0});
    }

    // Root sizes that make the hit lists shortest; at least one bit, as other writers use.
    // A number's size depends only on its bit length, so one pass counts the bit lengths of
    // each field and the roots are tried on the counts.
    uint64_t lengths[3][33] = {};
    for (CEntry& entry : entries) {
        entry.nTopics = WalkHits(
            *entry.packed,
            [&](uint32_t topicDelta, uint32_t count) {
                ++lengths[0][BitLength(topicDelta)];
                ++lengths[1][BitLength(count)];
            },
            [&](uint32_t delta) { ++lengths[2][BitLength(delta)]; });
    }
    int roots[3] = {1, 1, 1};
    for (int field = 0; field < 3; ++field) {
        uint64_t best = UINT64_MAX;
        for (int root = 1; root <= 24; ++root) {
            uint64_t total = 0;
            for (int n = 0; n <= 32; ++n) total += lengths[field][n] * SrBitsOfLength(n, root);
            if (total < best) {
                best = total;
                roots[field] = root;
            }
        }
    }

    std::string out(kHeaderSize, '\0');
    std::vector<std::pair<uint32_t, uint32_t>> hitPlaces;  // offset, size
    for (const CEntry& entry : entries) {
        const size_t start = out.size();
        EncodeHits(*entry.packed, roots, out);
        hitPlaces.emplace_back(static_cast<uint32_t>(start),
                               static_cast<uint32_t>(out.size() - start));
    }

    // Leaves.
    std::vector<std::string> leaves;
    std::vector<std::string> lastWords;
    std::string leaf, previous;
    auto startLeaf = [&]() {
        leaf.assign(kLeafHeaderSize, '\0');
        previous.clear();
    };
    startLeaf();
    // An entry's bytes depend on the word before it in the same leaf (shared prefix).
    auto encodeEntry = [&](size_t i) {
        std::string data;
        AppendWord(data, *entries[i].word, previous);
        data += static_cast<char>(entries[i].title ? 1 : 0);
        AppendVarInt(data, entries[i].nTopics);
        Append32(data, hitPlaces[i].first);
        data.append(2, '\0');
        AppendVarInt(data, hitPlaces[i].second);
        return data;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string data = encodeEntry(i);
        if (leaf.size() + data.size() > kNodeSize) {
            leaves.push_back(leaf);
            lastWords.push_back(previous);
            startLeaf();
            data = encodeEntry(i);
        }
        leaf += data;
        previous = *entries[i].word;
    }
    leaves.push_back(leaf);
    lastWords.push_back(previous);

    const uint32_t leafStart = static_cast<uint32_t>(out.size());
    uint32_t lastLeafFree = 0;
    for (size_t i = 0; i < leaves.size(); ++i) {
        std::string& node = leaves[i];
        const uint32_t free = kNodeSize - static_cast<uint32_t>(node.size());
        const bool last = i + 1 == leaves.size();
        Put32(node, 0, last ? 0 : leafStart + static_cast<uint32_t>(i + 1) * kNodeSize);
        Put16(node, 6, free);
        if (last) lastLeafFree = free;
        node.resize(kNodeSize, '\0');
        out += node;
    }

    // Index levels above the leaves: each entry is the last word of a child node.
    uint16_t depth = 1;
    std::vector<std::pair<std::string, uint32_t>> level;
    for (size_t i = 0; i < leaves.size(); ++i) {
        level.emplace_back(lastWords[i], leafStart + static_cast<uint32_t>(i) * kNodeSize);
    }
    uint32_t root = leafStart;
    while (level.size() > 1) {
        std::vector<std::pair<std::string, uint32_t>> upper;
        std::string node(kIndexHeaderSize, '\0');
        std::string prev, lastWord;
        auto finish = [&]() {
            Put16(node, 0, kNodeSize - static_cast<uint32_t>(node.size()));
            node.resize(kNodeSize, '\0');
            upper.emplace_back(lastWord, static_cast<uint32_t>(out.size()));
            out += node;
            node.assign(kIndexHeaderSize, '\0');
            prev.clear();
        };
        for (const auto& [word, child] : level) {
            std::string data;
            AppendWord(data, word, prev);
            Append32(data, child);
            data.append(2, '\0');
            if (node.size() + data.size() > kNodeSize) {
                finish();
                data.clear();
                AppendWord(data, word, prev);
                Append32(data, child);
                data.append(2, '\0');
            }
            node += data;
            prev = word;
            lastWord = word;
        }
        finish();
        ++depth;
        level = std::move(upper);
        root = level.front().second;
    }

    uint32_t longest = 0, uniqueBytes = 0;
    for (const CWord& word : m_words) {
        longest = std::max<uint32_t>(longest, static_cast<uint32_t>(word.strWord.size()));
        uniqueBytes += static_cast<uint32_t>(word.strWord.size());
    }
    const uint32_t documents = std::max(topicCount, m_nTopicLimit);
    out[2] = 0x28;
    Put32(out, 0x04, documents);
    Put32(out, 0x08, root);
    Put32(out, 0x10, static_cast<uint32_t>(leaves.size()));
    Put32(out, 0x14, root);
    Put16(out, 0x18, depth);
    Put32(out, 0x1A, 7);
    for (int field = 0; field < 3; ++field) {
        out[0x1E + 2 * field] = 2;
        out[0x1F + 2 * field] = static_cast<char>(roots[field]);
    }
    Put32(out, 0x2E, kNodeSize);
    Put32(out, 0x36, 1);
    Put32(out, 0x3A, 5);
    Put32(out, 0x3E, longest);
    Put32(out, 0x42, static_cast<uint32_t>(m_nTokens));
    Put32(out, 0x46, static_cast<uint32_t>(m_words.size()));
    Put32(out, 0x4A, static_cast<uint32_t>(m_nTokenBytes));
    Put32(out, 0x52, uniqueBytes);
    Put32(out, 0x56, lastLeafFree);
    Put32(out, 0x5E, documents > 0 ? documents - 1 : 0);
    Put32(out, 0x7A, codePage);
    Put32(out, 0x7E, lcid);
    return out;
}

bool CFtsIndexReader::ReadLeaf(uint32_t offset, uint32_t& next, std::vector<CFtsEntry>& out,
                               std::string& error) const {
    const std::string& b = m_bytes;
    if (offset < kHeaderSize || offset > b.size() || b.size() - offset < kNodeSize) {
        error = "leaf outside the file";
        return false;
    }
    next = Get32(b, offset);
    const uint32_t free = Get16(b, offset + 6);
    if (free > kNodeSize - kLeafHeaderSize) {
        error = "leaf free space out of range";
        return false;
    }
    const size_t end = offset + kNodeSize - free;
    size_t pos = offset + kLeafHeaderSize;
    std::string previous;
    while (pos < end) {
        bool ok = false;
        CFtsEntry entry;
        entry.strWord = ReadWord(b, pos, end, previous, ok);
        uint32_t topics = 0, hitOffset = 0, hitSize = 0;
        if (!ok || pos >= end) {
            error = "broken leaf entry";
            return false;
        }
        entry.bTitle = b[pos++] != 0;
        if (!ReadVarInt(b, pos, end, topics) || pos + 6 > end) {
            error = "broken leaf entry";
            return false;
        }
        hitOffset = Get32(b, pos);
        pos += 6;
        if (!ReadVarInt(b, pos, end, hitSize) || hitOffset > b.size() ||
            hitSize > b.size() - hitOffset) {
            error = "broken leaf entry";
            return false;
        }
        CBitReader bits(b, hitOffset, hitOffset + hitSize);
        uint32_t topic = 0;
        for (uint32_t t = 0; t < topics; ++t) {
            uint32_t delta = 0, count = 0;
            if (!bits.Sr(m_roots[0], delta) || !bits.Sr(m_roots[1], count) || count > hitSize * 8) {
                error = "broken hit list of \"" + entry.strWord + "\"";
                return false;
            }
            topic += delta;
            std::vector<uint32_t>& positions = entry.hits[topic];
            uint32_t position = 0;
            for (uint32_t k = 0; k < count; ++k) {
                uint32_t step = 0;
                if (!bits.Sr(m_roots[2], step)) {
                    error = "broken hit list of \"" + entry.strWord + "\"";
                    return false;
                }
                position += step;
                positions.push_back(position);
            }
            bits.Align();
        }
        previous = entry.strWord;
        out.push_back(std::move(entry));
    }
    return true;
}

bool CFtsIndexReader::Parse(const std::string& bytes, std::string& error) {
    m_bytes = bytes;
    m_entries.clear();
    const std::string& b = m_bytes;
    if (b.size() < kHeaderSize || Get32(b, 0) != 0x00280000) {
        error = "no full-text index header";
        return false;
    }
    m_nDocuments = Get32(b, 0x04);
    m_nRoot = Get32(b, 0x08);
    m_nLeaves = Get32(b, 0x10);
    m_nDepth = Get16(b, 0x18);
    for (int field = 0; field < 3; ++field) {
        if (b[0x1E + 2 * field] != 2) {
            error = "scale other than 2";
            return false;
        }
        m_roots[field] = static_cast<unsigned char>(b[0x1F + 2 * field]);
        if (m_roots[field] > 32) {
            error = "root size out of range";
            return false;
        }
    }
    m_nCodePage = Get32(b, 0x7A);
    m_nLcid = Get32(b, 0x7E);
    if (Get32(b, 0x2E) != kNodeSize || m_nDepth < 1 || m_nDepth > 8) {
        error = "unexpected node size or depth";
        return false;
    }
    // Down the first entries to the first leaf, then along the leaf chain.
    uint32_t node = m_nRoot;
    for (uint32_t level = m_nDepth; level > 1; --level) {
        if (node < kHeaderSize || node > b.size() || b.size() - node < kNodeSize) {
            error = "index node outside the file";
            return false;
        }
        size_t pos = node + kIndexHeaderSize;
        bool ok = false;
        ReadWord(b, pos, node + kNodeSize, std::string(), ok);
        if (!ok) {
            error = "broken index node";
            return false;
        }
        node = Get32(b, pos);
    }
    uint32_t leaves = 0;
    while (node != 0) {
        if (++leaves > m_nLeaves) {
            error = "more leaves than the header counts";
            return false;
        }
        uint32_t next = 0;
        if (!ReadLeaf(node, next, m_entries, error)) return false;
        node = next;
    }
    if (leaves != m_nLeaves) {
        error = "fewer leaves than the header counts";
        return false;
    }
    for (size_t i = 1; i < m_entries.size(); ++i) {
        const CFtsEntry& a = m_entries[i - 1];
        const CFtsEntry& c = m_entries[i];
        if (a.strWord > c.strWord || (a.strWord == c.strWord && (a.bTitle || !c.bTitle))) {
            error = "entries out of order at \"" + c.strWord + "\"";
            return false;
        }
    }
    return true;
}

bool CFtsIndexReader::Lookup(const std::string& word, CFtsHits& body, CFtsHits& title) const {
    body.clear();
    title.clear();
    const std::string& b = m_bytes;
    uint32_t node = m_nRoot;
    for (uint32_t level = m_nDepth; level > 1; --level) {
        if (node < kHeaderSize || b.size() - node < kNodeSize) return false;
        const size_t end = node + kNodeSize - Get16(b, node);
        size_t pos = node + kIndexHeaderSize;
        std::string previous;
        bool found = false;
        while (pos < end) {
            bool ok = false;
            previous = ReadWord(b, pos, end, previous, ok);
            if (!ok || pos + 6 > end) return false;
            const uint32_t child = Get32(b, pos);
            pos += 6;
            if (previous >= word) {
                node = child;
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    std::string error;
    while (node != 0) {
        std::vector<CFtsEntry> entries;
        uint32_t next = 0;
        if (!ReadLeaf(node, next, entries, error)) return false;
        for (const CFtsEntry& entry : entries) {
            if (entry.strWord > word) return !body.empty() || !title.empty();
            if (entry.strWord == word) (entry.bTitle ? title : body) = entry.hits;
        }
        node = next;
    }
    return !body.empty() || !title.empty();
}

}  // namespace corvane
