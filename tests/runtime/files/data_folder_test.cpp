// Where the containers are opened from: next to the program (a portable
// copy) before the installed data folder, and whether the game runs as
// installed. Each test in a fresh current folder with a data folder of its own.
#include "runtime/files/files.h"
#include "tests/support/scoped_env.h"
#include "tools/sbx/writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> bytes_of(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

void write_container(const fs::path& path, const std::string& entry, const std::string& content)
{
    std::vector<uint8_t> bytes;
    std::string why;
    ASSERT_TRUE(sbx_build({{entry, bytes_of(content)}}, 0, false, bytes, why)) << why;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_cwd_ = fs::current_path();
        char tmpl[] = "/tmp/wedgewise-datafolder-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / "games");
        fs::create_directories(root_ / "share/games/wedgewise");
        fs::current_path(root_ / "games");
        data_ = (root_ / "share/games/wedgewise").string() + "/";
        media_data_folder_set(data_);
        media_container_set("media.gfx", "media.aud");
    }
    void TearDown() override
    {
        media_containers_release();
        media_container_set("", "");
        media_data_folder_set("");
        fs::current_path(old_cwd_);
        fs::remove_all(root_);
    }
    // The content the graphics container gives for tiles.png, "" if none.
    std::string tiles()
    {
        std::string resolved;
        std::vector<uint8_t> content;
        if (!media_resolve(Container::Graphics, "media/tiles.png", true, resolved) ||
            !read_resolved(resolved, content))
            return "";
        return std::string(content.begin(), content.end());
    }
    fs::path old_cwd_, root_;
    std::string data_;
};

}  // namespace

TEST_F(DataFolderTest, InstalledContainersComeFromTheDataFolderAndAPortableCopyFromItsOwnFolder)
{
    EXPECT_EQ(tiles(), "");
    EXPECT_FALSE(media_installed()) << "no containers anywhere";

    write_container(data_ + "media.gfx", "tiles.png", "INSTALLED");
    write_container(data_ + "media.aud", "ingame.mp3", "MUSIC");
    EXPECT_EQ(tiles(), "INSTALLED");
    EXPECT_TRUE(media_installed());
    std::string resolved;
    ASSERT_TRUE(media_resolve(Container::Audio, "mp3media/ingame.mp3", false, resolved));
    EXPECT_EQ(resolved.find(data_), std::string::npos) << "music is extracted to the temporary folder";

    // Containers next to the program win: a portable copy.
    write_container("media.gfx", "tiles.png", "PORTABLE");
    EXPECT_EQ(tiles(), "PORTABLE");
    EXPECT_FALSE(media_installed());
    EXPECT_EQ(container_location("media.gfx"), "media.gfx");
    EXPECT_EQ(container_location("media.aud"), data_ + "media.aud");
}

TEST_F(DataFolderTest, NamesWithAFolderAndProgramsWithoutADataFolderAreLeftAlone)
{
    write_container(data_ + "media.gfx", "tiles.png", "INSTALLED");
    fs::create_directory("sub");
    EXPECT_EQ(container_location("sub/media.gfx"), "sub/media.gfx");
    EXPECT_EQ(container_location("/nowhere/media.gfx"), "/nowhere/media.gfx");
    EXPECT_EQ(container_location(""), "");
    EXPECT_EQ(container_location("media.gfx"), data_ + "media.gfx");

    media_data_folder_set("");
    EXPECT_EQ(media_data_folder(), "");
    EXPECT_EQ(container_location("media.gfx"), "media.gfx");
    EXPECT_EQ(tiles(), "");
    EXPECT_FALSE(media_installed());

    // A folder given without its closing slash still joins correctly.
    media_data_folder_set(data_.substr(0, data_.size() - 1));
    EXPECT_EQ(tiles(), "INSTALLED");
}

// ---------------------------------------------------------------- the player's data folder

TEST_F(DataFolderTest, PlayersFolderIgnoresARelativeDataHomeAndFallsBackWithoutAHome)
{
    const fs::path home = root_ / "home";
    fs::create_directory(home);
    {
        // A relative XDG_DATA_HOME is invalid: the home's default is used.
        ScopedEnv xdg("XDG_DATA_HOME", "relative/xdg");
        ScopedEnv with_home("HOME", home.c_str());
        EXPECT_EQ(player_data_folder("wedgewise"), (home / ".local/share/wedgewise").string() + "/");
        EXPECT_TRUE(fs::is_directory(home / ".local/share/wedgewise"));
        EXPECT_FALSE(fs::exists("relative"));
    }
    {
        // Without a home (or with a relative one) the folder goes under /tmp,
        // where another user may already own the shared part.
        struct stat shared{};
        if (::stat("/tmp/.local", &shared) == 0 && shared.st_uid != ::geteuid())
            GTEST_SKIP() << "/tmp/.local belongs to another user here";
        const std::string name = "wedgewise-test-" + root_.filename().string();
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        {
            ScopedEnv relative_home("HOME", "relative/home");
            EXPECT_EQ(player_data_folder(name), "/tmp/.local/share/" + name + "/");
        }
        ScopedEnv without_home("HOME", nullptr);
        EXPECT_EQ(player_data_folder(name), "/tmp/.local/share/" + name + "/");
        const fs::path made = "/tmp/.local/share/" + name;
        EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all) << "private to the player";
        // There a folder others may write, or someone else's, is refused:
        // they could put links where the records go.
        fs::permissions(made, fs::perms::all);
        EXPECT_EQ(player_data_folder(name), "");
        fs::permissions(made, fs::perms::owner_all);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(made.c_str(), 65534, 65534), 0);
            EXPECT_EQ(player_data_folder(name), "");
        }
        fs::remove(made);
    }
}

TEST_F(DataFolderTest, PlayersFolderThatCannotBeMadeIsNone)
{
    // A plain file where a folder must go stops even root.
    std::ofstream(root_ / "file") << "x";
    ScopedEnv xdg("XDG_DATA_HOME", (root_ / "file").c_str());
    EXPECT_EQ(player_data_folder("wedgewise"), "");
    ScopedEnv deeper("XDG_DATA_HOME", (root_ / "file/below").c_str());
    EXPECT_EQ(player_data_folder("wedgewise"), "");
}
