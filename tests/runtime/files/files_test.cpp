// The media lookup, memory and temporary files, and the byte channels, each
// test in a fresh current directory.
#include "runtime/files/files.h"
#include "runtime/files/container.h"
#include "runtime/process/process.h"
#include "tools/sbx/writer.h"
#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> bytes_of(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_container(const std::string& path, const std::vector<PackInput>& inputs)
{
    std::vector<uint8_t> bytes;
    std::string why;
    ASSERT_TRUE(sbx_build(inputs, 0, false, bytes, why)) << why;
    write_bytes(path, bytes);
}

// Runs f and returns the run-time error code it ended the program with (0: none).
template <typename F>
int error_of(F f)
{
    try {
        f();
    } catch (const ProgramEnded&) {
        return static_cast<int>(runtime_error_code());
    }
    return 0;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_cwd_ = fs::current_path();
        char tmpl[] = "/tmp/wedgewise-files-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::current_path(dir_);
        // Temporary media go to a folder of this test's own: the shared
        // per-user folder would let tests running side by side meet on the
        // same extracted name, and a test that stops early would leave its
        // planted files there for the next run.
        tmp_ = dir_.string() + "-tmp";
        fs::create_directory(tmp_);
        env_.set("TMPDIR", tmp_);
        set_error_code(0);
        fs::create_directory("media");
        media_container_set("media.gfx", "media.aud");
    }
    void TearDown() override
    {
        set_error_code(0);
        file_close_all();
        media_containers_release();
        env_.restore();
        fs::current_path(old_cwd_);
        fs::remove_all(dir_);
        fs::remove_all(tmp_);
    }
    fs::path old_cwd_;
    fs::path dir_;
    fs::path tmp_;   // beside dir_, so listings of dir_ stay as the tests expect
    testsupport::ScopedEnv env_;
};

// The siblings a write channel leaves next to a target.
std::vector<fs::path> siblings_of(const std::string& target)
{
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator("."))
        if (e.path().filename().string().rfind(target + ".part", 0) == 0)
            found.push_back(e.path());
    return found;
}

}  // namespace

// ---------------------------------------------------------------- lookup

TEST_F(FilesTest, LooseFileWinsOverContainerEntry)
{
    write_container("media.gfx", {{"tiles.png", bytes_of("PACKED")}});
    write_bytes("media/tiles.png", bytes_of("LOOSE"));
    std::string resolved;
    std::vector<uint8_t> content;

    ASSERT_TRUE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved, "media/tiles.png");
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_EQ(content, bytes_of("LOOSE"));

    fs::remove("media/tiles.png");
    ASSERT_TRUE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved.rfind("mem://", 0), 0u);
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_EQ(content, bytes_of("PACKED"));

    // A folder of that name is no loose file.
    fs::create_directory("media/tiles.png");
    ASSERT_TRUE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved.rfind("mem://", 0), 0u);
}

TEST_F(FilesTest, RequestsIgnoreFoldersAndCase)
{
    write_container("media.gfx", {{"tiles.png", bytes_of("TILES")}});
    write_container("media.aud", {{"ingame.mp3", bytes_of("MUSIC")}});
    std::string resolved;
    std::vector<uint8_t> content;

    ASSERT_TRUE(media_resolve(Container::Graphics, "MEDIA/Tiles.PNG", true, resolved));
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_EQ(content, bytes_of("TILES"));

    ASSERT_TRUE(media_resolve(Container::Audio, "mp3media/ingame.mp3", false, resolved));
    EXPECT_EQ(file_bytes(resolved), bytes_of("MUSIC"));

    EXPECT_FALSE(media_resolve(Container::Graphics, "media/missing.png", true, resolved));
    EXPECT_EQ(resolved, "");
    EXPECT_FALSE(media_resolve(Container::Graphics, "", true, resolved));
    EXPECT_EQ(resolved, "");
}

TEST_F(FilesTest, ContainerAppendedToTheExecutableIsFoundFirst)
{
    std::vector<uint8_t> program(5000, 0x90);
    std::vector<uint8_t> tail;
    std::string why;
    ASSERT_TRUE(sbx_build({{"smalfont.png", bytes_of("FONT")}}, 5000, true, tail, why));
    program.insert(program.end(), tail.begin(), tail.end());
    write_bytes("game.bin", program);
    media_containers_reset("game.bin");

    std::string resolved;
    std::vector<uint8_t> content;
    ASSERT_TRUE(media_resolve(Container::Graphics, "smalfont.png", true, resolved));
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_EQ(content, bytes_of("FONT"));
}

TEST_F(FilesTest, NonContainerOrEmptyPathDisablesUntilRenamed)
{
    write_bytes("media.gfx", bytes_of("this is not a container at all"));
    std::string resolved = "unchanged";
    EXPECT_FALSE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved, "media/tiles.png");

    // Once disabled it is not consulted again, even after it became valid...
    write_container("media.gfx", {{"tiles.png", bytes_of("T")}});
    EXPECT_FALSE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    // ...until it is named again.
    media_container_set("media.gfx", "media.aud");
    EXPECT_TRUE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));

    media_container_set("", "");
    EXPECT_FALSE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved, "media/tiles.png");
}

TEST_F(FilesTest, MissingContainerIsNotFoundButStaysEnabled)
{
    std::string resolved = "x";
    EXPECT_FALSE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
    EXPECT_EQ(resolved, "");
    write_container("media.gfx", {{"tiles.png", bytes_of("T")}});
    EXPECT_TRUE(media_resolve(Container::Graphics, "media/tiles.png", true, resolved));
}

TEST_F(FilesTest, DamagedEntriesResolveToEmptyContent)
{
    std::vector<uint8_t> stored = container_encode(bytes_of("some content here"));
    stored[0] = 0x40;   // declares 64 bytes
    std::vector<uint8_t> file = stored;
    file.push_back(3);
    file.insert(file.end(), {'b', 'a', 'd'});
    file.insert(file.end(), {0, 0, 0, 0});
    uint32_t n = static_cast<uint32_t>(stored.size());
    file.insert(file.end(), {static_cast<uint8_t>(n), 0, 0, 0});
    file.push_back(0);
    file.insert(file.end(), {'s', 'b', 'X', static_cast<uint8_t>(n), 0, 0, 0});
    write_bytes("media.gfx", file);

    std::string resolved;
    std::vector<uint8_t> content = bytes_of("old");
    ASSERT_TRUE(media_resolve(Container::Graphics, "bad", true, resolved));
    EXPECT_EQ(resolved.substr(0, 15), "mem://       0.");
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_TRUE(content.empty());
}

// ---------------------------------------------------------------- memory files

TEST_F(FilesTest, MemoryNamesCarrySizeAndBlockAndExpireAtTheNextLookup)
{
    std::vector<uint8_t> big(0x12345, 0xAB);
    write_container("media.gfx", {{"a.txt", bytes_of("abcdefghijklmnopqrstuvwxyz")}, {"big.bin", big}});
    write_container("media.aud", {{"a.txt", bytes_of("other")}});
    std::string a;
    ASSERT_TRUE(media_resolve(Container::Graphics, "a.txt", true, a));
    ASSERT_EQ(a.size(), 23u);
    EXPECT_EQ(a.substr(0, 15), "mem://      1a.");
    EXPECT_NE(a.substr(15).find_first_not_of(' '), std::string::npos);

    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(mem_block(a, data, size));
    ASSERT_EQ(size, 26u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "abcdefghijklmnopqrstuvwxyz");

    // Another container's lookup leaves this one's result alone.
    std::string other;
    ASSERT_TRUE(media_resolve(Container::Audio, "a.txt", true, other));
    EXPECT_NE(other, a);
    EXPECT_TRUE(mem_block(a, data, size));

    // The next lookup through the same container ends it, found or not.
    std::string b;
    EXPECT_FALSE(media_resolve(Container::Graphics, "nothing.here", true, b));
    EXPECT_FALSE(mem_block(a, data, size));
    EXPECT_EQ(data, nullptr);
    std::vector<uint8_t> content;
    EXPECT_FALSE(read_resolved(a, content));

    ASSERT_TRUE(media_resolve(Container::Graphics, "big.bin", true, b));
    EXPECT_EQ(b.substr(0, 15), "mem://   12345.");
    ASSERT_TRUE(read_resolved(b, content));
    EXPECT_EQ(content, big);
    media_containers_release();
    EXPECT_FALSE(mem_block(b, data, size));
    EXPECT_FALSE(mem_block(other, data, size));
}

TEST_F(FilesTest, ForgedMemoryNamesAreRejected)
{
    write_container("media.gfx", {{"a.txt", bytes_of("abcdefghijklmnopqrstuvwxyz")}});
    std::string a;
    ASSERT_TRUE(media_resolve(Container::Graphics, "a.txt", true, a));
    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(mem_block(a, data, size));

    std::string wrong_size = a;
    wrong_size[13] = 'b';
    std::string upper = a;
    upper[12] = '1';
    upper[13] = 'A';
    std::string other_block = a;
    other_block[22] = other_block[22] == '9' ? '8' : '9';
    std::vector<std::string> forged = {
        wrong_size, upper, other_block, a + "0", a.substr(0, 22), "mem://",
        "mem://      1a.       0", "mem://      1a,       1", "mem://      1a.ffffffff",
        "mem://1a      .       1", "mem://        .       1", "mem://-1a.1", "MEM://" + a.substr(6)};
    for (const std::string& name : forged) {
        EXPECT_FALSE(mem_block(name, data, size)) << '"' << name << '"';
        std::vector<uint8_t> content;
        EXPECT_FALSE(read_resolved(name, content)) << '"' << name << '"';
    }
    // The genuine name still works after all that.
    EXPECT_TRUE(mem_block(a, data, size));
}

// ---------------------------------------------------------------- temporary files

TEST_F(FilesTest, TemporaryFilesAreNamedFromTheEntryAndRemovedAtNextLookupAndEnd)
{
    std::vector<uint8_t> song(3000, 0x11);
    write_container("media.aud", {{"ingame.mp3", song}, {"dirge.mp3", bytes_of("DIRGE")}});
    std::vector<uint8_t> raw = file_bytes("media.aud");
    BufferSource src(raw.data(), raw.size());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(src, entries));
    const ContainerEntry& e = entries[0];
    std::string expected = user_temp_dir() + "sbx" + static_cast<char>('A' + (e.raw_offset & 0xFF) % 26) +
                           static_cast<char>('A' + (e.stored_size & 0xFF) % 26) + "ingame.mp3";

    std::string first;
    ASSERT_TRUE(media_resolve(Container::Audio, "mp3media/ingame.mp3", false, first));
    EXPECT_EQ(first, expected);
    EXPECT_EQ(file_bytes(first), song);

    std::string second;
    ASSERT_TRUE(media_resolve(Container::Audio, "mp3media/dirge.mp3", false, second));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(file_bytes(second), bytes_of("DIRGE"));

    // A failed lookup still removes the previous file.
    std::string none;
    EXPECT_FALSE(media_resolve(Container::Audio, "mp3media/none.mp3", false, none));
    EXPECT_FALSE(fs::exists(second));

    ASSERT_TRUE(media_resolve(Container::Audio, "mp3media/dirge.mp3", false, second));
    EXPECT_TRUE(fs::exists(second));
    media_containers_release();
    EXPECT_FALSE(fs::exists(second));
}

TEST_F(FilesTest, TemporaryFileReplacesAPlantedLinkInsteadOfWritingThroughIt)
{
    write_container("media.aud", {{"marlow.mp3", bytes_of("MARLOW")}});
    std::string path;
    ASSERT_TRUE(media_resolve(Container::Audio, "marlow.mp3", false, path));
    media_containers_release();
    ASSERT_FALSE(fs::exists(path));

    write_bytes("victim.txt", bytes_of("precious"));
    fs::create_symlink(dir_ / "victim.txt", path);
    std::string again;
    ASSERT_TRUE(media_resolve(Container::Audio, "marlow.mp3", false, again));
    EXPECT_EQ(again, path);
    EXPECT_FALSE(fs::is_symlink(again));
    EXPECT_EQ(file_bytes(again), bytes_of("MARLOW"));
    EXPECT_EQ(file_bytes("victim.txt"), bytes_of("precious"));
}

TEST_F(FilesTest, TemporaryFilesAreAlwaysNewAndOnlyInThePrivateFolder)
{
    write_container("media.aud", {{"marlow.mp3", bytes_of("MARLOW")}});
    std::string path;
    ASSERT_TRUE(media_resolve(Container::Audio, "marlow.mp3", false, path));
    media_containers_release();

    // Another user's file in a shared folder cannot be removed by us; a
    // folder of that name stands in for it. A fresh name is taken instead.
    fs::create_directory(path);
    std::string again;
    ASSERT_TRUE(media_resolve(Container::Audio, "marlow.mp3", false, again));
    EXPECT_NE(again, path);
    EXPECT_EQ(again.rfind(user_temp_dir() + "sbx", 0), 0u) << again;
    EXPECT_EQ(again.substr(again.size() - 10), "marlow.mp3") << "the player may go by the ending";
    EXPECT_EQ(file_bytes(again), bytes_of("MARLOW"));
    struct stat st{};
    ASSERT_EQ(::lstat(again.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    media_containers_release();
    EXPECT_FALSE(fs::exists(again));
    fs::remove(path);

    // A relative TMPDIR would name a folder inside the program's own (the
    // current one): it is not taken as the private folder.
    fs::create_directory("relative");
    std::string relative;
    bool found = false;
    {
        const testsupport::ScopedEnv relative_tmp("TMPDIR", "relative");
        found = media_resolve(Container::Audio, "marlow.mp3", false, relative);
    }
    EXPECT_TRUE(fs::is_empty("relative"));
    if (found) {
        EXPECT_EQ(relative[0], '/') << relative;
        EXPECT_EQ(relative.rfind(dir_.string(), 0), std::string::npos) << relative;
    }
}

// ---------------------------------------------------------------- channels

TEST_F(FilesTest, ReadingFromTheContainerYieldsZeroPastTheEnd)
{
    write_container("media.gfx", {{"data.bin", {0x01, 0xFF, 0x80}}});
    ASSERT_EQ(file_open(0, "media/data.bin", 1), 1);
    EXPECT_EQ(file_read_ubyte(0), 1);
    EXPECT_EQ(file_read_byte(0), -1);
    EXPECT_EQ(file_read_ubyte(0), 0x80);
    EXPECT_EQ(error_of([] {
        EXPECT_EQ(file_read_byte(0), 0);
        EXPECT_EQ(file_read_ubyte(0), 0);
    }), 0);
    file_close(0);

    EXPECT_EQ(file_open(1, "media/absent.bin", 1), 0);
}

TEST_F(FilesTest, ChannelKeepsItsMemoryFileWhileOtherLookupsRun)
{
    write_container("media.gfx", {{"data.bin", {1, 2, 3}}, {"tiles.png", bytes_of("PNG")}});
    ASSERT_EQ(file_open(2, "data.bin", 1), 1);
    EXPECT_EQ(file_read_ubyte(2), 1);
    std::string resolved;
    ASSERT_TRUE(media_resolve(Container::Graphics, "tiles.png", true, resolved));
    EXPECT_EQ(file_read_ubyte(2), 2);
    EXPECT_EQ(file_read_ubyte(2), 3);
}

TEST_F(FilesTest, ReadingOneByteTooManyFromARealFileIsError3)
{
    write_bytes("hiscore.dat", {0x7F, 0x80});
    ASSERT_EQ(file_open(3, "hiscore.dat", 1), 1);
    EXPECT_EQ(file_read_byte(3), 127);
    EXPECT_EQ(file_read_byte(3), -128);
    EXPECT_EQ(error_of([] { file_read_byte(3); }), 3);

    // A channel that was never opened fails the same way.
    set_error_code(0);
    EXPECT_EQ(error_of([] { file_read_ubyte(4); }), 3);
    EXPECT_EQ(error_of([] { file_write_ubyte(4, 1); }), 3);

    // So does a folder, which is never opened as a file.
    fs::create_directory("folder.dat");
    EXPECT_EQ(file_open(5, "folder.dat", 1), 0);
}

TEST_F(FilesTest, ChannelNumbersOutsideZeroToSevenAreError7)
{
    write_bytes("x.dat", {1});
    EXPECT_EQ(error_of([] { file_open(8, "x.dat", 1); }), 7);
    EXPECT_EQ(error_of([] { file_open(-1, "x.dat", 1); }), 7);
    EXPECT_EQ(error_of([] { file_read_byte(8); }), 7);
    EXPECT_EQ(error_of([] { file_read_ubyte(-1); }), 7);
    EXPECT_EQ(error_of([] { file_write_byte(8, 0); }), 7);
    EXPECT_EQ(error_of([] { file_close(8); }), 7);
    set_error_code(0);
    EXPECT_EQ(error_of([] { EXPECT_EQ(file_open(7, "x.dat", 1), 1); }), 0);
}

TEST_F(FilesTest, WritingReplacesTheContentAtClose)
{
    write_bytes("settings.dat", bytes_of("twenty bytes of data"));
    ASSERT_EQ(file_open(0, "settings.dat", 0), 1);
    file_write_byte(0, -1);
    file_write_ubyte(0, 0x141);   // only the low 8 bits
    file_write_ubyte(0, 'z');
    // The old file is whole until the channel closes.
    EXPECT_EQ(file_bytes("settings.dat"), bytes_of("twenty bytes of data"));
    file_close(0);
    EXPECT_EQ(file_bytes("settings.dat"), (std::vector<uint8_t>{0xFF, 0x41, 'z'}));
    EXPECT_TRUE(siblings_of("settings.dat").empty());

    // An empty save empties the file; a new file is created.
    ASSERT_EQ(file_open(0, "settings.dat", 0), 1);
    file_close(0);
    EXPECT_TRUE(fs::exists("settings.dat"));
    EXPECT_EQ(fs::file_size("settings.dat"), 0u);
    ASSERT_EQ(file_open(1, "media/new.dat", 0), 1);
    file_write_ubyte(1, 9);
    // Reopening the channel closes (and saves) what it held.
    ASSERT_EQ(file_open(1, "settings.dat", 1), 1);
    EXPECT_EQ(file_bytes("media/new.dat"), (std::vector<uint8_t>{9}));
}

TEST_F(FilesTest, SavesStillOpenAtTheEndAreKeptUnlessAnErrorEndedTheProgram)
{
    write_bytes("a.dat", bytes_of("old a"));
    write_bytes("b.dat", bytes_of("old b"));
    ASSERT_EQ(file_open(0, "a.dat", 0), 1);
    file_write_ubyte(0, 'A');
    file_close_all();
    EXPECT_EQ(file_bytes("a.dat"), bytes_of("A"));

    ASSERT_EQ(file_open(0, "b.dat", 0), 1);
    file_write_ubyte(0, 'B');
    set_error_code(9, "array index");
    file_close_all();
    EXPECT_EQ(file_bytes("b.dat"), bytes_of("old b"));
    EXPECT_TRUE(siblings_of("b.dat").empty());
}

TEST_F(FilesTest, WritesAreRefusedForMemoryNamesFoldersAndReadChannels)
{
    EXPECT_EQ(file_open(0, "mem://       3.       1", 0), 0);
    EXPECT_EQ(file_open(0, "mem://       3.       1", -1), 0);
    EXPECT_EQ(file_open(0, "", 0), 0);
    EXPECT_EQ(file_open(0, "media", 0), 0);
    EXPECT_TRUE(fs::is_directory("media"));
    EXPECT_EQ(file_open(0, "no/such/folder/x.dat", 0), 0);

    write_bytes("r.dat", {1, 2});
    ASSERT_EQ(file_open(0, "r.dat", 1), 1);
    EXPECT_EQ(error_of([] { file_write_ubyte(0, 5); }), 3);
    EXPECT_EQ(file_bytes("r.dat"), (std::vector<uint8_t>{1, 2}));

    // Reading a channel opened for writing fails too, and that save is dropped.
    set_error_code(0);
    ASSERT_EQ(file_open(1, "r.dat", 0), 1);
    file_write_ubyte(1, 7);
    EXPECT_EQ(error_of([] { file_read_ubyte(1); }), 3);
    file_close_all();
    EXPECT_EQ(file_bytes("r.dat"), (std::vector<uint8_t>{1, 2}));
}

TEST_F(FilesTest, NamesAtTheLengthLimitCanStillBeSaved)
{
    const std::string name(250, 'n');
    write_bytes(name, bytes_of("old"));
    ASSERT_EQ(file_open(0, name, 0), 1);
    file_write_ubyte(0, 'k');
    EXPECT_EQ(file_bytes(name), bytes_of("old"));
    file_close(0);
    EXPECT_EQ(file_bytes(name), bytes_of("k"));
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("."))
        ++files;
    EXPECT_EQ(files, 2u);   // the folder "media" and the saved file: no sibling left
}

TEST_F(FilesTest, AppendingAddsToTheEnd)
{
    write_bytes("log.dat", bytes_of("ab"));
    ASSERT_EQ(file_open(6, "log.dat", -1), 1);
    file_write_ubyte(6, 'c');
    file_close(6);
    ASSERT_EQ(file_open(6, "fresh.dat", -5), 1);
    file_write_ubyte(6, 'x');
    file_close(6);
    EXPECT_EQ(file_bytes("log.dat"), bytes_of("abc"));
    EXPECT_EQ(file_bytes("fresh.dat"), bytes_of("x"));
}

TEST_F(FilesTest, KillingTheProgramMidSaveLeavesTheOldFileIntact)
{
    const std::vector<uint8_t> old_content(405, 'o');
    write_bytes("hiscore.dat", old_content);
    int ready[2], hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Half a save, then stop and wait to be killed.
        if (file_open(0, "hiscore.dat", 0) != 1)
            ::_exit(1);
        for (int i = 0; i < 200; ++i)
            file_write_ubyte(0, 'n');
        char c = 'r';
        if (::write(ready[1], &c, 1) != 1)
            ::_exit(1);
        ::read(hold[0], &c, 1);
        ::_exit(2);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    for (int fd : {ready[0], ready[1], hold[0], hold[1]})
        ::close(fd);

    EXPECT_EQ(file_bytes("hiscore.dat"), old_content);
    // The interrupted save really was under way.
    auto left = siblings_of("hiscore.dat");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(fs::file_size(left[0]), 200u);

    // And the next save still succeeds, and takes the leftover away.
    ASSERT_EQ(file_open(0, "hiscore.dat", 0), 1);
    file_write_ubyte(0, 'X');
    file_close(0);
    EXPECT_EQ(file_bytes("hiscore.dat"), bytes_of("X"));
    EXPECT_TRUE(siblings_of("hiscore.dat").empty());
}

TEST_F(FilesTest, ASaveRemovesOnlyStaleSiblingsOfItsOwnFile)
{
    // A process that has ended names the stale siblings; this one is alive.
    pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string dead = std::to_string(ended), alive = std::to_string(::getpid());
    fs::create_directory("sub");
    const std::vector<std::string> stale = {"hiscore.dat.part" + dead + "-0", ".save.part" + dead + "-3",
                                            "sub/hiscore.dat.part" + dead + "-1"};
    const std::vector<std::string> kept = {
        "hiscore.dat.part" + alive + "-9",    // a save under way in a running program
        "settings.dat.part" + dead + "-0",    // another file's sibling
        "hiscore.dat.part" + dead + "-x", "hiscore.dat.partial", "hiscore.dat.part-1", "xhiscore.dat.part" + dead + "-0",
    };
    for (const auto& name : stale)
        write_bytes(name, bytes_of("half"));
    for (const auto& name : kept)
        write_bytes(name, bytes_of("keep"));
    // Not regular files: a folder and a link with the stale pattern.
    const std::string folder = "hiscore.dat.part" + dead + "-5", link = "hiscore.dat.part" + dead + "-6";
    fs::create_directory(folder);
    write_bytes("victim", bytes_of("precious"));
    fs::create_symlink("victim", link);
    // Someone else's file with the pattern (only root can make one here).
    const std::string foreign = "hiscore.dat.part" + dead + "-7";
    const bool can_chown = ::geteuid() == 0;
    if (can_chown) {
        write_bytes(foreign, bytes_of("theirs"));
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }

    ASSERT_EQ(file_open(0, "hiscore.dat", 0), 1);
    file_write_ubyte(0, 'S');
    file_close(0);
    ASSERT_EQ(file_open(1, (dir_ / "sub" / "hiscore.dat").string(), 0), 1);
    file_close(1);

    for (const auto& name : stale)
        EXPECT_FALSE(fs::exists(name)) << name;
    for (const auto& name : kept)
        EXPECT_EQ(file_bytes(name), bytes_of("keep")) << name;
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(file_bytes("victim"), bytes_of("precious"));
    if (can_chown) {
        EXPECT_TRUE(fs::exists(foreign));
    }
    EXPECT_EQ(file_bytes("hiscore.dat"), bytes_of("S"));
}

// ---------------------------------------------------------------- lookup order

namespace {

constexpr const char* PROBE_FOLDER_VARIABLE = "WEDGEWISE_LOOKUP_PROBE_FOLDER";

std::string resolved_content(Container container, const std::string& name)
{
    std::string resolved;
    std::vector<uint8_t> content;
    if (!media_resolve(container, name, container == Container::Graphics, resolved))
        return "(not found)";
    if (container == Container::Audio)
        content = file_bytes(resolved);
    else if (!read_resolved(resolved, content))
        return "(unreadable)";
    return std::string(content.begin(), content.end());
}

}  // namespace

// The half of the next test that runs inside a copy of this program which
// carries a container of its own, as the one-file game does.
TEST(MediaLookupOrder, AsTheCopyWithItsOwnContainerSeesIt)
{
    const char* folder = std::getenv(PROBE_FOLDER_VARIABLE);
    if (folder == nullptr)
        GTEST_SKIP() << "runs inside the copy that MediaLookupOrder.LooseFileThenOwnExecutableThenNamedContainer makes";
    ASSERT_EQ(::chdir(folder), 0);
    media_container_set("media.gfx", "media.aud");
    EXPECT_EQ(resolved_content(Container::Graphics, "media/first.txt"), "loose");
    EXPECT_EQ(resolved_content(Container::Graphics, "media/second.txt"), "executable");
    EXPECT_EQ(resolved_content(Container::Graphics, "media/third.txt"), "media.gfx");
    EXPECT_EQ(resolved_content(Container::Audio, "mp3media/tune.mp3"), "executable");
    EXPECT_EQ(resolved_content(Container::Audio, "mp3media/other.mp3"), "media.aud");
    media_containers_release();
}

TEST(MediaLookupOrder, LooseFileThenOwnExecutableThenNamedContainer)
{
    char tmpl[] = "/tmp/wedgewise-order-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    // This very program with a container appended: a one-file program.
    std::vector<uint8_t> program = file_bytes(program_path());
    ASSERT_FALSE(program.empty());
    std::vector<uint8_t> tail;
    std::string why;
    ASSERT_TRUE(sbx_build({{"first.txt", bytes_of("executable")}, {"second.txt", bytes_of("executable")},
                           {"tune.mp3", bytes_of("executable")}},
                          static_cast<int64_t>(program.size()), true, tail, why))
        << why;
    program.insert(program.end(), tail.begin(), tail.end());
    write_bytes((dir / "probe").string(), program);
    fs::permissions(dir / "probe", fs::perms::owner_all);
    write_container((dir / "media.gfx").string(), {{"first.txt", bytes_of("media.gfx")},
                                                   {"second.txt", bytes_of("media.gfx")},
                                                   {"third.txt", bytes_of("media.gfx")}});
    write_container((dir / "media.aud").string(), {{"tune.mp3", bytes_of("media.aud")},
                                                   {"other.mp3", bytes_of("media.aud")}});
    fs::create_directory(dir / "media");
    write_bytes((dir / "media" / "first.txt").string(), bytes_of("loose"));

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::setenv(PROBE_FOLDER_VARIABLE, dir.c_str(), 1);
        const std::string exe = (dir / "probe").string();
        ::execl(exe.c_str(), exe.c_str(), "--gtest_filter=MediaLookupOrder.AsTheCopyWithItsOwnContainerSeesIt",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::remove_all(dir);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
    EXPECT_NE(report.find("[  PASSED  ] 1 test."), std::string::npos) << report;
    EXPECT_EQ(report.find("[  SKIPPED ]"), std::string::npos) << report;

    // The README gives the player the same order.
    std::ifstream readme(std::string(WEDGEWISE_SOURCE_DIR) + "/README.md");
    const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
    const size_t loose = text.find("a loose file under `media/`");
    const size_t own = text.find("a container appended to the executable");
    const size_t named = text.find("the containers `media.gfx`");
    ASSERT_NE(loose, std::string::npos);
    ASSERT_NE(own, std::string::npos);
    ASSERT_NE(named, std::string::npos);
    EXPECT_LT(loose, own);
    EXPECT_LT(own, named);
}

// ---------------------------------------------------------------- platform helpers

TEST_F(FilesTest, ExistenceAndWritability)
{
    write_bytes("f.dat", {1});
    EXPECT_TRUE(file_exists("f.dat"));
    EXPECT_TRUE(file_exists((dir_ / "f.dat").string()));
    EXPECT_FALSE(file_exists("media"));
    EXPECT_FALSE(file_exists("nope.dat"));
    EXPECT_FALSE(file_exists(""));
    write_bytes("media/x.png", {1});
    EXPECT_TRUE(file_exists("media\\x.png"));

    EXPECT_TRUE(folder_writable(dir_.string()));
    EXPECT_TRUE(folder_writable("media"));
    EXPECT_FALSE(folder_writable("f.dat"));
    EXPECT_FALSE(folder_writable("missing-folder"));
    if (::geteuid() != 0) {
        fs::create_directory("locked");
        fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(folder_writable("locked"));
        fs::permissions("locked", fs::perms::owner_all);
    }
}
