// The container reader over crafted bytes: the format's rules and every kind
// of damaged or hostile input.
#include "runtime/files/container.h"
#include "tools/sbx/writer.h"

#include "tests/support/random_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::vector<uint8_t> bytes_of(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> build(const std::vector<PackInput>& inputs, std::vector<uint8_t> host = {}, bool from_end = false)
{
    std::vector<uint8_t> tail;
    std::string why;
    EXPECT_TRUE(sbx_build(inputs, static_cast<int64_t>(host.size()), from_end, tail, why)) << why;
    host.insert(host.end(), tail.begin(), tail.end());
    return host;
}

void put32(std::vector<uint8_t>& v, size_t at, int64_t value)
{
    uint32_t u = static_cast<uint32_t>(static_cast<int32_t>(value));
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

void append32(std::vector<uint8_t>& v, int64_t value)
{
    v.resize(v.size() + 4);
    put32(v, v.size() - 4, value);
}

// A hand-made container: one entry "a.txt" whose fields are given raw.
std::vector<uint8_t> one_entry(const std::vector<uint8_t>& stored, int32_t data_offset, int32_t stored_size,
                               bool use_default_offset = true)
{
    std::vector<uint8_t> v = stored;
    int32_t dir = static_cast<int32_t>(v.size());
    v.push_back(5);
    for (char c : std::string("a.txt"))
        v.push_back(static_cast<uint8_t>(c));
    append32(v, use_default_offset ? 0 : data_offset);
    append32(v, stored_size);
    v.push_back(0);
    v.push_back('s');
    v.push_back('b');
    v.push_back('X');
    append32(v, dir);
    return v;
}

// Looks "a.txt" up and extracts it; returns whether both worked.
bool lookup(const std::vector<uint8_t>& file, std::vector<uint8_t>& content)
{
    BufferSource src(file.data(), file.size());
    ContainerEntry e;
    content = bytes_of("sentinel");
    if (!container_find(src, "a.txt", e)) {
        content.clear();
        return false;
    }
    return container_extract(src, e, content);
}

}  // namespace

// ---------------------------------------------------------------- encoding

TEST(ContainerCodec, RoundTripsEmptyTinyRandomAndRepetitiveContent)
{
    std::vector<std::vector<uint8_t>> contents = {
        {}, {0x42}, random_bytes(100000, 1), std::vector<uint8_t>(300000, 7), bytes_of("abcabcabcabcabcabc")};
    for (const auto& content : contents) {
        std::vector<uint8_t> stored = container_encode(content);
        ASSERT_GE(stored.size(), 4u);
        uint32_t declared = stored[0] | stored[1] << 8 | stored[2] << 16 | static_cast<uint32_t>(stored[3]) << 24;
        EXPECT_EQ(declared, content.size());
        std::vector<uint8_t> back;
        EXPECT_TRUE(container_decode(stored.data(), stored.size(), back));
        EXPECT_EQ(back, content);
    }
    // Repetitive content really is compressed.
    EXPECT_LT(container_encode(std::vector<uint8_t>(300000, 7)).size(), 5000u);
}

TEST(ContainerCodec, RefusesLyingSizesAndCorruptData)
{
    const std::vector<uint8_t> content = random_bytes(5000, 2);
    const std::vector<uint8_t> good = container_encode(content);
    std::vector<uint8_t> out;

    std::vector<uint8_t> larger = good;
    put32(larger, 0, content.size() + 1);
    EXPECT_FALSE(container_decode(larger.data(), larger.size(), out));
    EXPECT_TRUE(out.empty());

    std::vector<uint8_t> smaller = good;
    put32(smaller, 0, content.size() - 1);
    EXPECT_FALSE(container_decode(smaller.data(), smaller.size(), out));
    EXPECT_TRUE(out.empty());

    // Sizes no entry may have, or no LZO stream of this length can produce,
    // are refused before any buffer is made for them.
    std::vector<uint8_t> huge = good;
    put32(huge, 0, 0xFFFFFFFFu);
    EXPECT_FALSE(container_decode(huge.data(), huge.size(), out));
    std::vector<uint8_t> above_cap = container_encode(std::vector<uint8_t>(1000, 0));
    put32(above_cap, 0, CONTAINER_MAX_ENTRY_SIZE + 1);
    EXPECT_FALSE(container_decode(above_cap.data(), above_cap.size(), out));

    std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    EXPECT_FALSE(container_decode(truncated.data(), truncated.size(), out));
    EXPECT_TRUE(out.empty());

    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    EXPECT_FALSE(container_decode(trailing.data(), trailing.size(), out));

    for (unsigned seed = 0; seed < 200; ++seed) {
        std::vector<uint8_t> garbage = random_bytes(4 + seed, seed);
        put32(garbage, 0, 1000);
        container_decode(garbage.data(), garbage.size(), out);   // must simply not crash
        EXPECT_TRUE(out.empty() || out.size() == 1000u);
    }

    const uint8_t three[3] = {0, 0, 0};
    EXPECT_FALSE(container_decode(three, sizeof three, out));
    EXPECT_FALSE(container_decode(nullptr, 0, out));
}

// ---------------------------------------------------------------- lookup

TEST(ContainerLookup, FindsEntriesIgnoringFoldersAndCase)
{
    auto file = build({{"tiles.png", bytes_of("TILES")}, {"ingame.mp3", bytes_of("MUSIC")},
                       {"tiles.png.bak", bytes_of("BACKUP")}, {"a", bytes_of("A")}});
    BufferSource src(file.data(), file.size());
    std::vector<uint8_t> content;
    ContainerEntry e;

    ASSERT_TRUE(container_find(src, "MEDIA/Tiles.PNG", e));
    EXPECT_EQ(e.name, "tiles.png");
    ASSERT_TRUE(container_extract(src, e, content));
    EXPECT_EQ(content, bytes_of("TILES"));

    ASSERT_TRUE(container_find(src, "mp3media/ingame.mp3", e));
    EXPECT_EQ(e.name, "ingame.mp3");
    ASSERT_TRUE(container_find(src, "x\\y\\INGAME.mp3", e));
    EXPECT_EQ(e.name, "ingame.mp3");
    ASSERT_TRUE(container_find(src, "TILES.PNG.BAK", e));
    EXPECT_EQ(e.name, "tiles.png.bak");

    // Neither a prefix nor a suffix of an entry name is that entry.
    EXPECT_FALSE(container_find(src, "tiles.pn", e));
    EXPECT_FALSE(container_find(src, "iles.png", e));
    EXPECT_FALSE(container_find(src, "media/", e));
    EXPECT_FALSE(container_find(src, "", e));
    EXPECT_FALSE(container_find(src, "missing.wav", e));
}

TEST(ContainerLookup, FirstOfTwoEqualNamesWins)
{
    auto file = build({{"Same.txt", bytes_of("first")}, {"same.TXT", bytes_of("second")}});
    BufferSource src(file.data(), file.size());
    ContainerEntry e;
    std::vector<uint8_t> content;
    ASSERT_TRUE(container_find(src, "same.txt", e));
    ASSERT_TRUE(container_extract(src, e, content));
    EXPECT_EQ(content, bytes_of("first"));
}

TEST(ContainerLookup, ContainerAppendedToAnotherFileUsesOffsetsFromTheEnd)
{
    std::vector<uint8_t> host = random_bytes(12345, 9);
    const std::vector<uint8_t> payload = random_bytes(4000, 10);
    auto file = build({{"one.bin", payload}, {"two.txt", bytes_of("two")}}, host, true);
    ASSERT_TRUE(std::equal(host.begin(), host.end(), file.begin()));

    BufferSource src(file.data(), file.size());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(src, entries));
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& e : entries) {
        EXPECT_LT(e.raw_offset, 0);
        EXPECT_EQ(e.data_offset, static_cast<int64_t>(file.size()) + e.raw_offset);
    }
    EXPECT_EQ(entries[0].data_offset, 12345);
    int32_t d = 0;
    std::memcpy(&d, file.data() + file.size() - 4, 4);
    EXPECT_LT(d, 0);

    std::vector<uint8_t> content;
    ASSERT_TRUE(container_extract(src, entries[0], content));
    EXPECT_EQ(content, payload);

    // The same tail moved onto a host of another size still works: only the
    // distance from the end matters.
    std::vector<uint8_t> moved(100, 0xAA);
    moved.insert(moved.end(), file.begin() + 12345, file.end());
    BufferSource src2(moved.data(), moved.size());
    ContainerEntry e;
    ASSERT_TRUE(container_find(src2, "two.txt", e));
    ASSERT_TRUE(container_extract(src2, e, content));
    EXPECT_EQ(content, bytes_of("two"));
}

TEST(ContainerLookup, DirectoryEndsAtZeroLengthOrAtTheTrailer)
{
    auto file = build({{"a.txt", bytes_of("a")}, {"b.txt", bytes_of("b")}});
    BufferSource src(file.data(), file.size());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(src, entries));
    ASSERT_EQ(entries.size(), 2u);

    // Terminator moved up: the second entry is no longer part of the directory.
    std::vector<uint8_t> cut = file;
    int32_t d = 0;
    std::memcpy(&d, file.data() + file.size() - 4, 4);
    size_t second_entry = static_cast<size_t>(d) + 1 + 5 + 8;
    cut[second_entry] = 0;
    BufferSource src_cut(cut.data(), cut.size());
    ASSERT_TRUE(container_list(src_cut, entries));
    EXPECT_EQ(entries.size(), 1u);
    ContainerEntry e;
    EXPECT_FALSE(container_find(src_cut, "b.txt", e));

    // No terminator at all: entries stop before the trailer.
    std::vector<uint8_t> no_end = file;
    no_end.erase(no_end.end() - 8);
    BufferSource src_no_end(no_end.data(), no_end.size());
    ASSERT_TRUE(container_list(src_no_end, entries));
    EXPECT_EQ(entries.size(), 2u);
}

// ---------------------------------------------------------------- hostile input

TEST(ContainerHostile, NoTrailerOrWrongMagicIsNoContainer)
{
    std::vector<ContainerEntry> entries;
    for (const auto& file : {std::vector<uint8_t>{}, bytes_of("sbX"), bytes_of("sbX\0\0\0"), bytes_of("SBX\0\0\0\0"),
                             bytes_of("hello, world, this is text")}) {
        BufferSource src(file.data(), file.size());
        EXPECT_FALSE(container_has_magic(src));
        EXPECT_FALSE(container_list(src, entries));
        ContainerEntry e;
        EXPECT_FALSE(container_find(src, "a.txt", e));
    }
    std::string minimal("sbX\0\0\0\0", 7);
    auto tiny = bytes_of(minimal);
    BufferSource src(tiny.data(), tiny.size());
    EXPECT_TRUE(container_has_magic(src));
    EXPECT_TRUE(container_list(src, entries));
    EXPECT_TRUE(entries.empty());
}

TEST(ContainerHostile, DirectoryOffsetOutsideTheFileFindsNothing)
{
    auto file = build({{"a.txt", bytes_of("content")}});
    const int64_t size = static_cast<int64_t>(file.size());
    for (int64_t d : {size, size - 3, int64_t{0x7FFFFFFF}, -size - 1, int64_t{INT32_MIN}, int64_t{-1}, int64_t{-7}}) {
        std::vector<uint8_t> bad = file;
        put32(bad, bad.size() - 4, d);
        std::vector<uint8_t> content;
        EXPECT_FALSE(lookup(bad, content)) << "D = " << d;
        EXPECT_TRUE(content.empty());
    }
}

TEST(ContainerHostile, EntryOffsetsAndSizesOutsideTheFileGiveEmptyContent)
{
    const std::vector<uint8_t> stored = container_encode(bytes_of("hello hello hello"));
    const int32_t n = static_cast<int32_t>(stored.size());
    struct Case { int32_t offset; int32_t size; const char* what; };
    const Case cases[] = {
        {0, -1, "negative stored size"},
        {0, INT32_MIN, "most negative stored size"},
        {0, 3, "stored size below the size prefix"},
        {0, n + 100, "stored size past the end"},
        {0, INT32_MAX, "largest stored size"},
        {-5, n, "negative offset from the start"},
        {1 << 30, n, "offset past the end"},
        {INT32_MAX, 4, "largest offset"},
        {n, n, "data overlapping the directory"},
    };
    for (const Case& c : cases) {
        auto file = one_entry(stored, c.offset, c.size, false);
        std::vector<uint8_t> content;
        EXPECT_FALSE(lookup(file, content)) << c.what;
        EXPECT_TRUE(content.empty()) << c.what;
    }
    // The untouched entry does work.
    std::vector<uint8_t> content;
    EXPECT_TRUE(lookup(one_entry(stored, 0, n), content));
    EXPECT_EQ(content, bytes_of("hello hello hello"));
}

TEST(ContainerHostile, NegativeDirectoryWithEntriesPointingOutside)
{
    auto file = build({{"a.txt", bytes_of("xyz")}}, random_bytes(50, 3), true);
    BufferSource src(file.data(), file.size());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(src, entries));
    ASSERT_EQ(entries.size(), 1u);
    int32_t d = 0;
    std::memcpy(&d, file.data() + file.size() - 4, 4);
    size_t offset_field = file.size() + static_cast<size_t>(static_cast<int64_t>(d)) + 1 + 5;
    for (int64_t raw : {int64_t{1}, int64_t{0}, -static_cast<int64_t>(file.size()) - 1, int64_t{INT32_MIN}}) {
        std::vector<uint8_t> bad = file;
        put32(bad, offset_field, raw);
        std::vector<uint8_t> content;
        EXPECT_FALSE(lookup(bad, content)) << raw;
        EXPECT_TRUE(content.empty());
    }
}

TEST(ContainerHostile, NameRunningPastTheEndStopsTheDirectory)
{
    auto file = build({{"a.txt", bytes_of("a")}, {"b.txt", bytes_of("b")}});
    int32_t d = 0;
    std::memcpy(&d, file.data() + file.size() - 4, 4);
    // Second entry claims a 255-byte name: only the first entry remains.
    std::vector<uint8_t> bad = file;
    bad[static_cast<size_t>(d) + 1 + 5 + 8] = 255;
    BufferSource src(bad.data(), bad.size());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(src, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a.txt");
    // First entry claims it: nothing remains.
    bad[static_cast<size_t>(d)] = 200;
    BufferSource src2(bad.data(), bad.size());
    ASSERT_TRUE(container_list(src2, entries));
    EXPECT_TRUE(entries.empty());
}

TEST(ContainerHostile, LyingAndCorruptEntriesResolveToEmptyContent)
{
    const std::vector<uint8_t> good = container_encode(random_bytes(3000, 4));
    std::vector<std::vector<uint8_t>> bad_stored;
    for (int64_t declared : {int64_t{2999}, int64_t{3001}, int64_t{0}, int64_t{CONTAINER_MAX_ENTRY_SIZE} + 1,
                             int64_t{0xFFFFFFFF}}) {
        std::vector<uint8_t> s = good;
        put32(s, 0, declared);
        bad_stored.push_back(s);
    }
    std::vector<uint8_t> flipped = good;
    for (size_t i = 4; i < flipped.size(); i += 7)
        flipped[i] ^= 0x5A;
    bad_stored.push_back(flipped);
    for (const auto& s : bad_stored) {
        auto file = one_entry(s, 0, static_cast<int32_t>(s.size()));
        std::vector<uint8_t> content;
        EXPECT_FALSE(lookup(file, content));
        EXPECT_TRUE(content.empty());
    }
}

TEST(ContainerHostile, BufferSourceRefusesReadsOutsideIt)
{
    const uint8_t data[4] = {1, 2, 3, 4};
    BufferSource src(data, sizeof data);
    uint8_t out[8] = {};
    EXPECT_TRUE(src.read(0, out, 4));
    EXPECT_TRUE(src.read(4, out, 0));
    EXPECT_TRUE(src.read(3, out, 1));
    EXPECT_EQ(out[0], 4);
    EXPECT_FALSE(src.read(3, out, 2));
    EXPECT_FALSE(src.read(-1, out, 1));
    EXPECT_FALSE(src.read(5, out, 0));
    EXPECT_FALSE(src.read(1, out, SIZE_MAX));
    EXPECT_FALSE(src.read(INT64_MAX, out, 1));
}
