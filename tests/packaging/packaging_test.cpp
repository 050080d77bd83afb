// The packaging texts agree with the program: the manual page lists exactly
// the options --help shows, the AppStream release and the Debian changelog
// carry the version --version tells, and the metainfo, the desktop entry and
// the package name each other as they are installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "tests/support/files.h"
#include "tests/support/process.h"

namespace fs = std::filesystem;

namespace {

using testsupport::read_file;

// What the built program prints for one option.
std::string program_says(const std::string& option) {
    std::string out;
    testsupport::run_command(std::string("'") + WEDGEWISE_BINARY_DIR + "/wedgewise' " + option, out);
    return out;
}

// Every "--name" in a text.
std::set<std::string> options_in(const std::string& text) {
    std::set<std::string> found;
    const std::regex option("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

// One section of a manual page, "\-" read as "-".
std::string man_section(const std::string& page, const std::string& name) {
    const size_t from = page.find(".SH " + name + "\n");
    if (from == std::string::npos) return "";
    const size_t to = page.find("\n.SH ", from + 1);
    std::string text = page.substr(from, to == std::string::npos ? std::string::npos : to - from);
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

std::string first_match(const std::string& text, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : std::string();
}

fs::path only_metainfo() {
    fs::path found;
    for (const auto& e : fs::directory_iterator(WEDGEWISE_BINARY_DIR))
        if (e.path().string().size() > 14 && e.path().string().ends_with(".metainfo.xml")) found = e.path();
    return found;
}

}  // namespace

TEST(Packaging, ManualPageListsExactlyTheOptionsOfHelp) {
    const std::string help = program_says("--help");
    const std::set<std::string> from_help = options_in(help);
    ASSERT_GE(from_help.size(), 4u) << help;
    const std::string page = read_file(fs::path(WEDGEWISE_BINARY_DIR) / "wedgewise.6");
    ASSERT_FALSE(page.empty()) << "no configured manual page in the build";
    EXPECT_EQ(options_in(man_section(page, "OPTIONS")), from_help);
    EXPECT_EQ(options_in(man_section(page, "SYNOPSIS")), from_help);
    // Every section a player looks for.
    for (const char* section : {"NAME", "DESCRIPTION", "HOW TO PLAY", "FILES", "ENVIRONMENT"})
        EXPECT_FALSE(man_section(page, section).empty()) << section;
}

TEST(Packaging, ReleaseAndPackageVersionsAreTheProgramsVersion) {
    const std::string version = first_match(program_says("--version"), R"(^Wedgewise (\S+)\n)");
    ASSERT_FALSE(version.empty());
    const fs::path metainfo_path = only_metainfo();
    ASSERT_FALSE(metainfo_path.empty()) << "no configured metainfo in the build";
    const std::string metainfo = read_file(metainfo_path);
    const std::string page = read_file(fs::path(WEDGEWISE_BINARY_DIR) / "wedgewise.6");
    EXPECT_EQ(first_match(metainfo, R"re(<release version="([^"]+)")re"), version);
    EXPECT_EQ(first_match(page, R"re(^\.TH \S+ 6 \S+ "Wedgewise ([^"]+)")re"), version);
    // One release date for the metainfo and the manual page.
    const std::string date = first_match(metainfo, R"re(<release [^>]*date="([0-9-]+)")re");
    EXPECT_FALSE(date.empty());
    EXPECT_EQ(first_match(page, R"(^\.TH \S+ 6 (\S+))"), date);

    const std::string changelog = read_file(fs::path(WEDGEWISE_SOURCE_DIR) / "debian/changelog");
    EXPECT_EQ(first_match(changelog, R"(^wedgewise \(([^-)]+)-[^)]+\))"), version) << "debian/changelog's top entry";
}

TEST(Packaging, MetainfoDesktopEntryAndPackageNameEachOther) {
    const fs::path metainfo_path = only_metainfo();
    ASSERT_FALSE(metainfo_path.empty());
    const std::string metainfo = read_file(metainfo_path);
    // Software centres find the file by the component's id.
    const std::string id = first_match(metainfo, R"(<id>([^<]+)</id>)");
    EXPECT_EQ(metainfo_path.filename().string(), id + ".metainfo.xml");
    const std::string desktop_id = first_match(metainfo, R"re(<launchable type="desktop-id">([^<]+)</launchable>)re");
    const std::string desktop = read_file(fs::path(WEDGEWISE_SOURCE_DIR) / "packaging" / desktop_id);
    ASSERT_FALSE(desktop.empty()) << "the launchable " << desktop_id << " is not in packaging/";
    EXPECT_EQ(first_match(metainfo, R"(<binary>([^<]+)</binary>)"), first_match(desktop, R"(\nExec=(\S+))"));
    EXPECT_EQ(first_match(desktop, R"(\nIcon=(\S+))"), "wedgewise");
    EXPECT_NE(metainfo.find("<content_rating type=\"oars-1.1\""), std::string::npos);

    // The package ships what the install lays out under those names.
    const std::string install = read_file(fs::path(WEDGEWISE_SOURCE_DIR) / "debian/wedgewise.install");
    for (const std::string& path : {std::string("usr/games/wedgewise"), "usr/share/applications/" + desktop_id,
                                    "usr/share/metainfo/" + id + ".metainfo.xml", std::string("usr/share/man/man6/wedgewise.6")})
        EXPECT_NE(install.find(path + "\n"), std::string::npos) << path;
}
