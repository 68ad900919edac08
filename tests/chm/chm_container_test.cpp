// The help file's container: directory numbers, and the directory a rewrite lays out
// (entry counts, quick references, index chunks pointing at the chunks they name).
#include "chm/chm_container.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "help/help_creator.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

uint32_t Get32(const std::string& b, size_t pos) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[pos + i]);
    return v;
}
uint32_t Get16(const std::string& b, size_t pos) {
    return static_cast<unsigned char>(b[pos]) | (static_cast<unsigned char>(b[pos + 1]) << 8);
}

TEST(ChmContainerTest, DirectoryNumbersRoundTrip) {
    for (uint64_t value :
         {0ull, 1ull, 127ull, 128ull, 16383ull, 16384ull, 0xFFFFFFFFull, 0x123456789ABull}) {
        std::string bytes;
        AppendEncInt(bytes, value);
        size_t pos = 0;
        uint64_t back = 0;
        ASSERT_TRUE(ReadEncInt(bytes, pos, bytes.size(), back)) << value;
        EXPECT_EQ(back, value);
        EXPECT_EQ(pos, bytes.size());
    }
    std::string two;
    AppendEncInt(two, 128);
    EXPECT_EQ(two, std::string("\x81\x00", 2));  // most significant group first
    size_t pos = 0;
    uint64_t value = 0;
    EXPECT_FALSE(ReadEncInt(std::string("\x81", 1), pos, 1, value));  // cut short
    EXPECT_LT(CChmContainer::CompareNames("/ABC", "/abd"), 0);
    EXPECT_EQ(CChmContainer::CompareNames("/ABC", "/abc"), 0);
    EXPECT_GT(CChmContainer::CompareNames("/abc", "/ab"), 0);
}

TEST(ChmContainerTest, RewrittenDirectoryChunksHoldTogether) {
    // A help file with a directory of several chunks, from chmcmd.
    ScratchDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "a-fairly-long-page-name-%03d.html", i);
        WriteFileBytes(dir / name, "<html><head><title>t</title></head><body>x</body></html>");
        files.push_back(name);
    }
    CHelpNode root("T", files.front());
    CHelpCreator creator;
    creator.SetFolder(FromNativePath(dir.path()));
    creator.SetBaseName("M");
    creator.SetCompilerPath("chmcmd");
    creator.SetJapaneseSearch(false);
    ASSERT_TRUE(creator.Create(&root, files));

    CChmContainer container;
    std::string error;
    ASSERT_TRUE(container.Parse(ReadFileBytes(dir / "M.chm"), error)) << error;
    const size_t entries = container.GetEntries().size();
    container.PutSection0File("/$OBJINST", "breaker");
    container.PutSection0File("/zz-new", "new file");  // inserted in directory order
    const std::string out = container.Write();

    CChmContainer again;
    ASSERT_TRUE(again.Parse(out, error)) << error;
    ASSERT_EQ(again.GetEntries().size(), entries + 1);
    for (size_t i = 1; i < again.GetEntries().size(); ++i) {
        EXPECT_LT(CChmContainer::CompareNames(again.GetEntries()[i - 1].strName,
                                              again.GetEntries()[i].strName),
                  0);
    }
    std::string bytes;
    ASSERT_TRUE(again.ReadSection0(*again.Find("/zz-new"), bytes));
    EXPECT_EQ(bytes, "new file");
    ASSERT_TRUE(again.ReadSection0(*again.Find("/$OBJINST"), bytes));
    EXPECT_EQ(bytes, "breaker");
    EXPECT_EQ(Get32(out, 0x68), out.size());  // the file size in header section 0

    // Each listing chunk: its entry count in the last two bytes, a quick reference to every
    // fifth entry, and a place in the chain. Each index entry names its chunk's first entry.
    const size_t itsp = 0x78, chunkSize = Get32(out, itsp + 0x10);
    const uint32_t chunks = Get32(out, itsp + 0x2C);
    const uint32_t firstListing = Get32(out, itsp + 0x20);
    const uint32_t lastListing = Get32(out, itsp + 0x24);
    EXPECT_EQ(firstListing, 0u);
    std::map<uint32_t, std::string> firstNames;
    size_t listed = 0, indexEntries = 0;
    for (uint32_t c = 0; c < chunks; ++c) {
        const size_t start = itsp + 0x54 + c * chunkSize;
        if (out.compare(start, 4, "PMGL") != 0) continue;
        const size_t end = start + chunkSize - Get32(out, start + 4);
        EXPECT_EQ(static_cast<int32_t>(Get32(out, start + 12)),
                  c == 0 ? -1 : static_cast<int32_t>(c - 1));
        EXPECT_EQ(static_cast<int32_t>(Get32(out, start + 16)),
                  c == lastListing ? -1 : static_cast<int32_t>(c + 1));
        std::vector<size_t> offsets;
        size_t pos = start + 20;
        while (pos < end) {
            offsets.push_back(pos - (start + 20));
            uint64_t length = 0, number = 0;
            ASSERT_TRUE(ReadEncInt(out, pos, end, length));
            if (offsets.size() == 1) firstNames[c] = out.substr(pos, length);
            pos += length;
            for (int k = 0; k < 3; ++k) ASSERT_TRUE(ReadEncInt(out, pos, end, number));
        }
        listed += offsets.size();
        EXPECT_EQ(Get16(out, start + chunkSize - 2), offsets.size());
        for (size_t q = 1; q * 5 <= offsets.size(); ++q) {
            EXPECT_EQ(Get16(out, start + chunkSize - 2 - 2 * q), offsets[q * 5 - 1])
                << c << " " << q;
        }
    }
    EXPECT_EQ(listed, entries + 1);
    EXPECT_GT(firstNames.size(), 1u);
    for (uint32_t c = 0; c < chunks; ++c) {
        const size_t start = itsp + 0x54 + c * chunkSize;
        if (out.compare(start, 4, "PMGI") != 0) continue;
        const size_t end = start + chunkSize - Get32(out, start + 4);
        size_t pos = start + 8;
        while (pos < end) {
            uint64_t length = 0, child = 0;
            ASSERT_TRUE(ReadEncInt(out, pos, end, length));
            const std::string name = out.substr(pos, length);
            pos += length;
            ASSERT_TRUE(ReadEncInt(out, pos, end, child));
            ASSERT_EQ(firstNames.count(static_cast<uint32_t>(child)), 1u);
            EXPECT_EQ(firstNames[static_cast<uint32_t>(child)], name);
            ++indexEntries;
        }
    }
    EXPECT_EQ(indexEntries, firstNames.size());
    EXPECT_EQ(Get32(out, itsp + 0x1C), chunks - 1);  // the index chunk is the root
}

// Chunks filled to the last byte: whatever the name lengths, a chunk's entries end before its
// quick references and entry count, so writing those never overwrites an entry's tail.
TEST(ChmContainerTest, FullChunksKeepEntriesClearOfTheirQuickReferences) {
    for (uint32_t chunkSize : {0x200u, 0x1000u}) {
        for (size_t pad = 0; pad < 48; ++pad) {
            std::vector<CChmEntry> entries;
            for (int i = 0; i < 400; ++i) {
                char name[16];
                std::snprintf(name, sizeof name, "/%04d", i);
                entries.push_back({name + std::string(pad, 'x'), 0, 1000u * i, 77u + i});
            }
            const CChmDirectory directory = WriteChmDirectory(entries, chunkSize);
            ASSERT_EQ(directory.strChunks.size(), directory.nChunks * chunkSize);
            std::vector<CChmEntry> back;
            for (uint32_t c = 0; c < directory.nChunks; ++c) {
                const std::string& out = directory.strChunks;
                const size_t start = c * chunkSize;
                const bool listing = out.compare(start, 4, "PMGL") == 0;
                const size_t header = listing ? 20 : 8;
                const size_t end = start + chunkSize - Get32(out, start + 4);
                const size_t count = Get16(out, start + chunkSize - 2);
                // The quick references sit below the count: one per fifth entry.
                ASSERT_LE(end, start + chunkSize - 2 - 2 * (count / 5))
                    << "chunk " << c << " of " << chunkSize << ", pad " << pad;
                size_t pos = start + header, seen = 0;
                while (pos < end) {
                    uint64_t length = 0, number = 0;
                    ASSERT_TRUE(ReadEncInt(out, pos, end, length));
                    CChmEntry entry{out.substr(pos, length)};
                    pos += length;
                    if (!listing) {
                        ASSERT_TRUE(ReadEncInt(out, pos, end, number));
                    } else {
                        ASSERT_TRUE(ReadEncInt(out, pos, end, entry.nSection));
                        ASSERT_TRUE(ReadEncInt(out, pos, end, entry.nOffset));
                        ASSERT_TRUE(ReadEncInt(out, pos, end, entry.nLength));
                        back.push_back(entry);
                    }
                    ++seen;
                }
                EXPECT_EQ(seen, count) << "chunk " << c;
            }
            ASSERT_EQ(back.size(), entries.size()) << chunkSize << " " << pad;
            for (size_t i = 0; i < entries.size(); ++i) {
                EXPECT_EQ(back[i].strName, entries[i].strName);
                EXPECT_EQ(back[i].nOffset, entries[i].nOffset);
                EXPECT_EQ(back[i].nLength, entries[i].nLength);
            }
        }
    }
}

TEST(ChmContainerTest, OtherLayoutsAreRefused) {
    CChmContainer container;
    std::string error;
    EXPECT_FALSE(container.Parse("ITSF", error));
    std::string header(0x200, '\0');
    header.replace(0, 4, "ITSF");
    header[4] = 2;  // version 2 has no content offset
    EXPECT_FALSE(container.Parse(header, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvane
