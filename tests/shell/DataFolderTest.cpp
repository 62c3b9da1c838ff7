// Choosing the data folder from the command line, the environment and the password database,
// and making it whatever stands at its place on disk.
#include "core/base/Error.h"
#include "core/shell/DataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

namespace fsys = std::filesystem;

struct ChoiceCase {
    const char* name;
    std::optional<std::string> option;
    std::map<std::string, std::string> environment;
    std::optional<std::string> passwordHome;
    std::string folder; // "" when the choice fails with a message naming --data-dir
};

const ChoiceCase kChoices[] = {
    {"option", "/srv/books", {{"QUILLMAR_DATA_DIR", "/q"}}, {}, "/srv/books/"},
    {"relative option", "mine/data", {}, {}, "/work/mine/data/"},
    {"levels cleaned", "/a/./b//c/../d/", {}, {}, "/a/b/d/"},
    {"bytes as given", "/d/\xff\xfe name", {}, {}, "/d/\xff\xfe name/"},
    {"empty option", "", {{"HOME", "/home/ann"}}, {}, ""},
    {"variable", {}, {{"QUILLMAR_DATA_DIR", "/q"}, {"XDG_DATA_HOME", "/x"}}, {}, "/q/"},
    {"empty variable", {}, {{"QUILLMAR_DATA_DIR", ""}, {"XDG_DATA_HOME", "/x"}}, {},
     "/x/Halvorn/"},
    {"xdg", {}, {{"XDG_DATA_HOME", "/x/\xff"}, {"HOME", "/h"}}, {}, "/x/\xff/Halvorn/"},
    {"relative xdg", {}, {{"XDG_DATA_HOME", "share"}, {"HOME", "/h"}}, {},
     "/h/.local/share/Halvorn/"},
    {"home", {}, {{"HOME", "/home/ann/"}}, "/etc-home", "/home/ann/.local/share/Halvorn/"},
    {"home unset", {}, {}, "/root", "/root/.local/share/Halvorn/"},
    {"home empty", {}, {{"HOME", ""}}, "/var/ann", "/var/ann/.local/share/Halvorn/"},
    {"home relative", {}, {{"HOME", "ann"}}, "/var/ann", "/var/ann/.local/share/Halvorn/"},
    {"no home anywhere", {}, {}, {}, ""},
    {"password home empty", {}, {}, "", ""},
};

TEST(ChooseDataFolder, FollowsTheOptionTheEnvironmentAndThePasswordDatabase) {
    for (const ChoiceCase& c : kChoices) {
        qm::DataFolderSources sources;
        sources.option = c.option;
        sources.variable = [&c](const char* name) -> std::optional<std::string> {
            const auto it = c.environment.find(name);
            if (it == c.environment.end()) return std::nullopt;
            return it->second;
        };
        sources.passwordHome = [&c] { return c.passwordHome; };
        sources.workingFolder = "/work";
        const qm::DataFolderChoice choice = qm::chooseDataFolder(sources);
        EXPECT_EQ(choice.folder, c.folder) << c.name;
        // A choice is a folder or a message naming the option that gives one, never both.
        EXPECT_EQ(choice.error.empty(), !c.folder.empty()) << c.name;
        EXPECT_EQ(choice.error.find("--data-dir") != std::string::npos, c.folder.empty())
            << c.name << ": " << choice.error;
    }
}

// What may stand where the data folder goes: it is made, or the message says what is wrong
// and what to do, and nothing of the user's is touched.
TEST(MakeDataFolder, WhateverStandsInItsPlace) {
    char pattern[] = "/tmp/qm-data-XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    auto fs = qm::makeRealFileSystem();
    struct Case {
        const char* name;
        std::string folder;
        std::string message; // "" when the folder is made
    };
    const auto file = [&](const std::string& path) {
        std::ofstream(path) << "mine";
        return path;
    };
    fsys::create_directory(root + "/made");
    fsys::create_directory(root + "/target");
    fsys::create_symlink(root + "/target", root + "/link");
    fsys::create_symlink(root + "/gone", root + "/dangling");
    const std::string advice = "choose another data folder with --data-dir.";
    const Case cases[] = {
        {"missing with its parents", root + "/a/b/Halvorn/", ""},
        // What another copy of the reader leaves between a look and the mkdir.
        {"made meanwhile", root + "/made/", ""},
        {"a link to a folder", root + "/link/", ""},
        {"non-UTF-8 name", root + "/\xff/Halvorn/", ""},
        {"a file", file(root + "/file"),
         "The data folder " + root + "/file is a file, not a folder. Move the file away, or " +
             advice},
        {"a file above it", file(root + "/above") + "/Halvorn/",
         "Cannot make the data folder " + root + "/above/Halvorn: " + root +
             "/above is a file, not a folder. Move the file away, or " + advice},
        {"a dangling link", root + "/dangling/",
         "The data folder " + root + "/dangling is a link to " + root +
             "/gone, which is not a folder. Make that folder, or " + advice},
    };
    for (const Case& c : cases) {
        std::string message;
        try {
            qm::makeDataFolder(*fs, c.folder);
        } catch (const qm::UserError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_EQ(fs->folderExists(c.folder), c.message.empty()) << c.name;
    }
    EXPECT_EQ(fs->readFile(root + "/file"), "mine");
    EXPECT_FALSE(fsys::exists(root + "/gone"));
    EXPECT_TRUE(fsys::is_directory(root + "/\xff/Halvorn"));
    // The port itself: a folder already there is success, a file there is not.
    EXPECT_NO_THROW(fs->createFolder(root + "/made"));
    EXPECT_THROW(fs->createFolder(root + "/file"), qm::UserError);
    fsys::remove_all(root);
}

} // namespace
