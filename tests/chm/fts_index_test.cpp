// The full-text index written and read back (a small one and one of several leaves and index
// levels), and the Japanese word-breaker settings.
#include "chm/fts_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "chm/objinst_writer.h"
#include "help/search_tokenizer.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

uint32_t Get32(const std::string& b, size_t pos) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[pos + i]);
    return v;
}

std::vector<CSearchToken> Tokens(const std::string& title, const std::string& body) {
    std::vector<CSearchToken> tokens;
    TokenizeText(Utf8ToSjis(title), 0, true, tokens);
    TokenizeText(Utf8ToSjis(body), static_cast<uint32_t>(tokens.size()), false, tokens);
    return tokens;
}

TEST(FtsIndexTest, SmallIndexReadsBackWithHeaderOrderAndPositions) {
    CFtsIndexWriter writer;
    writer.AddDocument(0, Tokens("検索", "東京で検索 Corvane"));
    writer.AddDocument(3, Tokens("Other", "corvane corvane 東"));
    const std::string bytes = writer.Write(932, 0x411);

    EXPECT_EQ(Get32(bytes, 0), 0x00280000u);
    EXPECT_EQ(Get32(bytes, 0x7A), 932u);
    EXPECT_EQ(Get32(bytes, 0x7E), 0x411u);

    CFtsIndexReader reader;
    std::string error;
    ASSERT_TRUE(reader.Parse(bytes, error)) << error;
    EXPECT_EQ(reader.GetCodePage(), 932u);
    EXPECT_EQ(reader.GetLcid(), 0x411u);
    EXPECT_EQ(reader.GetDocumentCount(), 4u);  // topics 0 to 3
    CFtsIndexReader counted;
    ASSERT_TRUE(counted.Parse(writer.Write(932, 0x411, 9), error)) << error;
    EXPECT_EQ(counted.GetDocumentCount(), 9u);

    // Bytewise order; a word's body entry comes before its title entry.
    const auto& entries = reader.GetEntries();
    ASSERT_FALSE(entries.empty());
    for (size_t i = 1; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i - 1].strWord < entries[i].strWord ||
                    (entries[i - 1].strWord == entries[i].strWord && !entries[i - 1].bTitle &&
                     entries[i].bTitle));
    }

    CFtsHits body, title;
    ASSERT_TRUE(reader.Lookup(Utf8ToSjis("検"), body, title));
    EXPECT_EQ(title, (CFtsHits{{0, {0}}}));
    EXPECT_EQ(body, (CFtsHits{{0, {5}}}));  // 東 京 で 検: title 検 索 first
    ASSERT_TRUE(reader.Lookup("corvane", body, title));
    EXPECT_EQ(body, (CFtsHits{{0, {7}}, {3, {1, 2}}}));
    EXPECT_TRUE(title.empty());
    ASSERT_TRUE(reader.Lookup(Utf8ToSjis("東"), body, title));
    EXPECT_EQ(body, (CFtsHits{{0, {2}}, {3, {3}}}));
    EXPECT_FALSE(reader.Lookup("Corvane", body, title));  // words are stored in lower case
    EXPECT_FALSE(reader.Lookup(Utf8ToSjis("大"), body, title));
}

// Pages added out of topic order, or tokens out of position order, give the same index as
// the same pages added in order.
TEST(FtsIndexTest, TheOrderPagesAndTokensComeInDoesNotChangeTheIndex) {
    const std::vector<std::pair<uint32_t, std::vector<CSearchToken>>> pages = {
        {0, Tokens("検索", "東京で検索 Corvane")},
        {2, Tokens("東", "corvane 東 東京")},
        {5, Tokens("Other", "corvane corvane 東")},
    };
    CFtsIndexWriter inOrder;
    for (const auto& [topic, tokens] : pages) inOrder.AddDocument(topic, tokens);
    CFtsIndexWriter shuffled;
    for (size_t i : {2u, 0u, 1u}) {
        std::vector<CSearchToken> tokens = pages[i].second;
        std::reverse(tokens.begin(), tokens.end());
        shuffled.AddDocument(pages[i].first, tokens);
    }
    EXPECT_EQ(shuffled.WordCount(), inOrder.WordCount());
    EXPECT_TRUE(shuffled.Write(932, 0x411) == inOrder.Write(932, 0x411));

    CFtsIndexReader reader;
    std::string error;
    ASSERT_TRUE(reader.Parse(shuffled.Write(932, 0x411), error)) << error;
    CFtsHits body, title;
    ASSERT_TRUE(reader.Lookup(Utf8ToSjis("東"), body, title));
    EXPECT_EQ(body, (CFtsHits{{0, {2}}, {2, {2, 3}}, {5, {3}}}));
    EXPECT_EQ(title, (CFtsHits{{2, {0}}}));
    ASSERT_TRUE(reader.Lookup("corvane", body, title));
    EXPECT_EQ(body, (CFtsHits{{0, {7}}, {2, {1}}, {5, {1, 2}}}));
}

TEST(FtsIndexTest, LargeIndexSpansLeavesAndIndexNodes) {
    // Enough distinct words for many leaves and more than one index node above them, with
    // topic numbers and positions large enough to need long scale-and-root codes.
    CFtsIndexWriter writer;
    const int kWords = 60000;
    std::vector<std::string> words;
    for (int i = 0; i < kWords; ++i) {
        char word[32];
        std::snprintf(word, sizeof word, "w%05dlongerwordtext", i);
        words.push_back(word);
    }
    for (uint32_t topic = 0; topic < 5; ++topic) {
        std::vector<CSearchToken> tokens;
        for (int i = 0; i < kWords; ++i) {
            if (i % 5 == static_cast<int>(topic) || i % 7 == 0) {
                tokens.push_back(
                    {words[i], static_cast<uint32_t>(tokens.size() * 3 + topic), false});
            }
        }
        tokens.push_back({"title", static_cast<uint32_t>(tokens.size() * 3), true});
        writer.AddDocument(topic * 1000 + 7, tokens);
    }
    CFtsIndexReader reader;
    std::string error;
    ASSERT_TRUE(reader.Parse(writer.Write(932, 0x411), error)) << error;
    EXPECT_GT(reader.GetLeafCount(), 100u);
    EXPECT_GE(reader.GetTreeDepth(), 3u);

    size_t entries = 0;
    for (const CFtsEntry& entry : reader.GetEntries()) entries += entry.strWord != "title";
    EXPECT_EQ(entries, static_cast<size_t>(kWords));

    // Every word is found from the root, with the topics it stands in.
    for (int i = 0; i < kWords; i += 97) {
        CFtsHits body, title;
        ASSERT_TRUE(reader.Lookup(words[i], body, title)) << words[i];
        std::vector<uint32_t> topics;
        for (const auto& [topic, positions] : body) topics.push_back(topic);
        std::vector<uint32_t> expected;
        for (uint32_t topic = 0; topic < 5; ++topic) {
            if (i % 5 == static_cast<int>(topic) || i % 7 == 0)
                expected.push_back(topic * 1000 + 7);
        }
        EXPECT_EQ(topics, expected) << words[i];
    }
    CFtsHits body, title;
    ASSERT_TRUE(reader.Lookup("title", body, title));
    EXPECT_EQ(title.size(), 5u);
    EXPECT_TRUE(body.empty());
    EXPECT_FALSE(reader.Lookup("w99999", body, title));
    EXPECT_FALSE(reader.Lookup("zzz", body, title));  // beyond the last index entry
}

TEST(FtsIndexTest, DamagedIndexIsRefused) {
    CFtsIndexWriter writer;
    writer.AddDocument(0, Tokens("a", "b c"));
    std::string bytes = writer.Write(932, 0x411);
    CFtsIndexReader reader;
    std::string error;
    ASSERT_TRUE(reader.Parse(bytes, error));
    EXPECT_FALSE(reader.Parse(bytes.substr(0, 0x400 + 10), error));
    std::string badRoot = bytes;
    badRoot[0x08] = '\x7F';
    badRoot[0x0B] = '\x7F';
    EXPECT_FALSE(reader.Parse(badRoot, error));
    EXPECT_FALSE(reader.Parse(std::string(0x400, '\0'), error));
}

TEST(ObjInstTest, JapaneseBreakerSettingsAndByteClasses) {
    const std::string bytes = BuildJapaneseObjInst();
    ASSERT_EQ(Get32(bytes, 4), 2u);  // two entries
    const uint32_t first = Get32(bytes, 8), firstSize = Get32(bytes, 12);
    const uint32_t second = Get32(bytes, 16), secondSize = Get32(bytes, 20);
    EXPECT_EQ(first, 24u);
    EXPECT_EQ(second, first + firstSize);
    EXPECT_EQ(bytes.size(), second + secondSize);
    // The standard breaker's class id, then flags 3 (no stemmer), code page, locale.
    EXPECT_EQ(Get32(bytes, first), 0x4662DAAFu);
    EXPECT_EQ(Get32(bytes, first + 20), 3u);
    EXPECT_EQ(Get32(bytes, first + 24), 932u);
    EXPECT_EQ(Get32(bytes, first + 28), 0x411u);
    EXPECT_EQ(firstSize, 80u + 256u * kObjInstRowSize);  // no stemmer after the table
    EXPECT_EQ(Get32(bytes, second), 0x4662DAB0u);
    EXPECT_EQ(Get32(bytes, second + 20), 932u);
    EXPECT_EQ(Get32(bytes, second + 24), 0x411u);

    auto row = [&](unsigned c) {
        return bytes.substr(kObjInstTableOffset + c * kObjInstRowSize, 10);
    };
    auto cls = [&](unsigned c) {
        return static_cast<unsigned>(static_cast<unsigned char>(row(c)[0]) |
                                     (static_cast<unsigned char>(row(c)[1]) << 8));
    };
    auto folded = [&](unsigned c) { return static_cast<unsigned char>(row(c)[4]); };
    auto self = [&](unsigned c) { return static_cast<unsigned char>(row(c)[5]); };
    for (unsigned c = 0; c < 256; ++c) EXPECT_EQ(self(c), c);
    // ASCII letters: upper case folds to lower case.
    EXPECT_EQ(cls('A'), 2u);
    EXPECT_EQ(folded('A'), 'a');
    EXPECT_EQ(cls('z'), 1u);
    EXPECT_EQ(cls('5'), 3u);
    EXPECT_EQ(cls(' '), 0u);
    // Lead bytes share one class, half-width katakana another; nothing above ASCII folds
    // (code page 1252's accent folding would turn katakana into Latin letters).
    for (unsigned c : {0x81u, 0x8Cu, 0x9Fu, 0xE0u, 0xEAu, 0xFCu}) {
        EXPECT_EQ(cls(c), kObjInstLeadByteClass) << c;
    }
    for (unsigned c : {0xA1u, 0xB1u, 0xDFu}) EXPECT_EQ(cls(c), kObjInstKatakanaClass) << c;
    EXPECT_NE(kObjInstLeadByteClass, kObjInstKatakanaClass);
    for (unsigned c : {0x80u, 0xA0u, 0xFDu, 0xFFu}) EXPECT_EQ(cls(c), 0u) << c;
    for (unsigned c = 0x80; c < 256; ++c) EXPECT_EQ(folded(c), c) << c;
}

}  // namespace
}  // namespace corvane
