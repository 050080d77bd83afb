// The sbx command: round trips through pack, append, list and extract, and
// its answers to bad arguments and bad containers.
#include "runtime/files/container.h"
#include "runtime/files/files.h"

#include "tests/support/random_bytes.h"

#include <gtest/gtest.h>
#include "tests/support/files.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string SBX = std::string(WEDGEWISE_BINARY_DIR) + "/sbx";

using testsupport::file_bytes;

void write_bytes(const fs::path& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> text_bytes(size_t lines)
{
    std::string s;
    for (size_t i = 0; i < lines; ++i)
        s += "line " + std::to_string(i) + " of a rather repetitive text file\n";
    return std::vector<uint8_t>(s.begin(), s.end());
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class SbxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(SBX)) << "build the sbx target first";
        char tmpl[] = "/tmp/wedgewise-sbx-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs sbx in the test folder with the given arguments.
    Outcome sbx(const std::vector<std::string>& args)
    {
        fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
        pid_t pid = ::fork();
        if (pid == 0) {
            int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::chdir(dir_.c_str()) != 0)
                ::_exit(127);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(SBX.c_str()));
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(SBX.c_str(), argv.data());
            ::_exit(127);
        }
        Outcome r;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            r.code = WEXITSTATUS(status);
        auto o = file_bytes(out), e = file_bytes(err);
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }

    fs::path dir_;
};

// The rows of "sbx list": name, stored size, uncompressed size.
std::vector<std::tuple<std::string, long, std::string>> rows(const std::string& listing)
{
    std::vector<std::tuple<std::string, long, std::string>> result;
    std::istringstream in(listing);
    std::string line;
    std::getline(in, line);   // heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, size;
        long stored = 0;
        fields >> name >> stored >> size;
        result.emplace_back(name, stored, size);
    }
    return result;
}

}  // namespace

TEST_F(SbxTest, PackListExtractRoundTrip)
{
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"Tiles.PNG", random_bytes(200000, 5)}, {"notes.txt", text_bytes(3000)}, {"empty.dat", {}}, {"one", {0}}};
    fs::create_directory(dir_ / "src");
    std::vector<std::string> args = {"pack", "media.gfx"};
    for (const auto& [name, content] : files) {
        write_bytes(dir_ / "src" / name, content);
        args.push_back("src/" + name);
    }
    Outcome packed = sbx(args);
    ASSERT_EQ(packed.code, 0) << packed.err;

    Outcome listed = sbx({"list", "media.gfx"});
    ASSERT_EQ(listed.code, 0) << listed.err;
    auto r = rows(listed.out);
    ASSERT_EQ(r.size(), files.size());
    long stored_total = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(std::get<0>(r[i]), files[i].first);
        EXPECT_EQ(std::get<2>(r[i]), std::to_string(files[i].second.size()));
        stored_total += std::get<1>(r[i]);
    }
    // Stored sizes add up to the data in front of the directory.
    auto bytes = file_bytes(dir_ / "media.gfx");
    int32_t d = 0;
    std::memcpy(&d, bytes.data() + bytes.size() - 4, 4);
    EXPECT_EQ(d, stored_total);
    EXPECT_LT(std::get<1>(r[1]), static_cast<long>(files[1].second.size()) / 4);

    for (size_t i = 0; i < files.size(); ++i) {
        std::string out = "out" + std::to_string(i);
        Outcome x = sbx({"extract", "media.gfx", files[i].first, out});
        ASSERT_EQ(x.code, 0) << x.err;
        EXPECT_EQ(file_bytes(dir_ / out), files[i].second) << files[i].first;
    }
    // Without OUT the entry's own name is used; the request's folders and case don't matter.
    Outcome x = sbx({"extract", "media.gfx", "some/folder/NOTES.TXT"});
    ASSERT_EQ(x.code, 0) << x.err;
    EXPECT_EQ(file_bytes(dir_ / "notes.txt"), files[1].second);
}

// The package build packs the media twice on two machines: the container
// depends on the files' names and bytes only, not on where or when they were made.
TEST_F(SbxTest, PackingTheSameFilesTwiceGivesTheSameBytes)
{
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"tiles.png", random_bytes(50000, 9)}, {"notes.txt", text_bytes(500)}};
    for (const char* folder : {"one", "two"}) {
        fs::create_directory(dir_ / folder);
        for (const auto& [name, content] : files)
            write_bytes(dir_ / folder / name, content);
    }
    for (const auto& [name, content] : files) {
        fs::last_write_time(dir_ / "two" / name, fs::last_write_time(dir_ / "one" / name) - std::chrono::hours(50));
        fs::permissions(dir_ / "two" / name, fs::perms::owner_read);
    }
    for (const char* folder : {"one", "two"}) {
        std::vector<std::string> args = {"pack", std::string(folder) + ".gfx"};
        for (const auto& [name, content] : files)
            args.push_back(std::string(folder) + "/" + name);
        Outcome packed = sbx(args);
        ASSERT_EQ(packed.code, 0) << packed.err;
        write_bytes(dir_ / (std::string(folder) + ".bin"), random_bytes(3000, 4));
        args[0] = "append";
        args[1] = std::string(folder) + ".bin";
        Outcome appended = sbx(args);
        ASSERT_EQ(appended.code, 0) << appended.err;
    }
    EXPECT_EQ(file_bytes(dir_ / "one.gfx"), file_bytes(dir_ / "two.gfx"));
    EXPECT_EQ(file_bytes(dir_ / "one.bin"), file_bytes(dir_ / "two.bin"));
}

TEST_F(SbxTest, AppendRoundTripKeepsTheHostFile)
{
    const auto host = random_bytes(70001, 6);
    const auto music = random_bytes(50000, 7);
    const auto data = text_bytes(100);
    write_bytes(dir_ / "program", host);
    write_bytes(dir_ / "ingame.mp3", music);
    write_bytes(dir_ / "data.txt", data);
    Outcome a = sbx({"append", "program", "ingame.mp3", dir_.string() + "/data.txt"});
    ASSERT_EQ(a.code, 0) << a.err;

    auto bytes = file_bytes(dir_ / "program");
    ASSERT_GT(bytes.size(), host.size());
    EXPECT_TRUE(std::equal(host.begin(), host.end(), bytes.begin()));
    int32_t d = 0;
    std::memcpy(&d, bytes.data() + bytes.size() - 4, 4);
    EXPECT_LT(d, 0);

    Outcome listed = sbx({"list", "program"});
    ASSERT_EQ(listed.code, 0) << listed.err;
    auto r = rows(listed.out);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(std::get<0>(r[0]), "ingame.mp3");
    EXPECT_EQ(std::get<2>(r[0]), "50000");

    ASSERT_EQ(sbx({"extract", "program", "mp3media/ingame.mp3", "back.mp3"}).code, 0);
    EXPECT_EQ(file_bytes(dir_ / "back.mp3"), music);
    ASSERT_EQ(sbx({"extract", "program", "DATA.TXT", "back.txt"}).code, 0);
    EXPECT_EQ(file_bytes(dir_ / "back.txt"), data);
}

TEST_F(SbxTest, TheGameFindsWhatTheToolPacked)
{
    write_bytes(dir_ / "smalfont.png", text_bytes(50));
    ASSERT_EQ(sbx({"pack", "media.gfx", "smalfont.png"}).code, 0);
    fs::remove(dir_ / "smalfont.png");
    media_container_set((dir_ / "media.gfx").string(), "");
    std::string resolved;
    std::vector<uint8_t> content;
    ASSERT_TRUE(media_resolve(Container::Graphics, "Smalfont.png", true, resolved));
    ASSERT_TRUE(read_resolved(resolved, content));
    EXPECT_EQ(content, text_bytes(50));
    media_containers_release();
}

TEST_F(SbxTest, BadArgumentsAreUsageErrors)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"pack"}, {"pack", "out.gfx"}, {"append", "x"}, {"list"},
             {"list", "a", "b"}, {"extract", "a"}, {"extract", "a", "b", "c", "d"}}) {
        Outcome r = sbx(args);
        EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir_ / "out.gfx"));
}

TEST_F(SbxTest, BadInputsAndBadContainersFailWithAReason)
{
    write_bytes(dir_ / "a.txt", {1, 2, 3});
    write_bytes(dir_ / "A.TXT.d", {});
    fs::create_directory(dir_ / "sub");
    write_bytes(dir_ / "sub" / "A.txt", {4});

    Outcome missing = sbx({"pack", "out.gfx", "a.txt", "nope.txt"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("nope.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "out.gfx"));

    Outcome twice = sbx({"pack", "out.gfx", "a.txt", "sub/A.txt"});
    EXPECT_EQ(twice.code, 1);
    EXPECT_NE(twice.err.find("A.txt"), std::string::npos);

    Outcome no_host = sbx({"append", "nohost", "a.txt"});
    EXPECT_EQ(no_host.code, 1);
    EXPECT_FALSE(fs::exists(dir_ / "nohost"));

    Outcome not_container = sbx({"list", "a.txt"});
    EXPECT_EQ(not_container.code, 1);
    EXPECT_NE(not_container.err.find("not an sbX container"), std::string::npos);
    EXPECT_EQ(sbx({"extract", "a.txt", "a.txt", "o"}).code, 1);
    EXPECT_EQ(sbx({"list", "absent.gfx"}).code, 1);

    ASSERT_EQ(sbx({"pack", "good.gfx", "a.txt"}).code, 0);
    Outcome no_entry = sbx({"extract", "good.gfx", "b.txt"});
    EXPECT_EQ(no_entry.code, 1);
    EXPECT_NE(no_entry.err.find("b.txt"), std::string::npos);

    // Damage the entry's data: listing still works, extracting says so.
    auto bytes = file_bytes(dir_ / "good.gfx");
    bytes[0] = 0x77;   // declared size now a lie
    write_bytes(dir_ / "bad.gfx", bytes);
    EXPECT_EQ(sbx({"list", "bad.gfx"}).code, 0);
    Outcome damaged = sbx({"extract", "bad.gfx", "a.txt", "o"});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_NE(damaged.err.find("damaged"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "o"));
}
