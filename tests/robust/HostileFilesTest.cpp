// Hostile files in every place the reader reads a file: as a text (plain and record form), as
// prose for the cascader, as a catalogue, a word index, a bookmark file and a settings file.
// Each case runs in a child with a time bound: it must end normally, with every failure the
// user sees being one of the reader's messages, and the reader going on to the next step.
//
// The small files are under tests/data/hostile; the big ones are made here.
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/SessionTestAccess.h"
#include "robust/RobustSupport.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/stat.h>

namespace {

using namespace qmrobust;

#if defined(__SANITIZE_ADDRESS__)
constexpr unsigned kSecondsPerCase = 180;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr unsigned kSecondsPerCase = 180;
#else
constexpr unsigned kSecondsPerCase = 20;
#endif
#else
constexpr unsigned kSecondsPerCase = 20;
#endif

struct Hostile {
    std::string name;
    std::string path; // a committed file, or empty for a made one
};

std::string madeBytes(const std::string& name) {
    if (name == "empty") return {};
    if (name == "only-line-ends") return std::string(200000, '\n');
    if (name == "one-megabyte-line") {
        std::string line = "l05";
        for (int i = 0; line.size() < (1u << 20); ++i)
            line += (i % 7 == 6) ? ' ' : static_cast<char>('a' + i % 26);
        return "l01before\r\n" + line + "\r\nl02after\r\n" + line.substr(3);
    }
    // A million lines of every form the readers look at, in turn.
    std::string text;
    text.reserve(24u << 20);
    for (int i = 0; i < 1000000; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 8) {
        case 0:
            text += "l0" + std::to_string(i % 10) + "phrase " + n;
            break;
        case 1:
            text += "p000";
            break;
        case 2:
            text += "|refpt" + n + ">";
            break;
        case 3:
            text += "Entry " + n + "<<2key" + n;
            break;
        case 4:
            text += "#" + n + " mark " + n;
            break;
        case 5:
            text += "fontsize=" + n;
            break;
        case 6:
            text += "w" + n + "|xxxx" + std::to_string(10000 + i % 90000);
            break;
        default:
            text += "<<k" + n;
            break;
        }
        text += "\r\n";
    }
    return text;
}

std::vector<Hostile> hostileFiles() {
    std::vector<Hostile> files;
    for (const auto& name : folderEntries(std::string(QM_SOURCE_DIR) + "/tests/data/hostile"))
        files.push_back({name, std::string(QM_SOURCE_DIR) + "/tests/data/hostile/" + name});
    for (const char* made : {"empty", "only-line-ends", "one-megabyte-line", "million-lines"})
        files.push_back({made, ""});
    return files;
}

enum class Role { Text, RecordText, Prose, Catalogue, Index, Bookmarks, Settings };
const std::vector<std::pair<Role, std::string>> kRoles = {
    {Role::Text, "text"},         {Role::RecordText, "record-text"},
    {Role::Prose, "prose"},       {Role::Catalogue, "catalogue"},
    {Role::Index, "index"},       {Role::Bookmarks, "bookmarks"},
    {Role::Settings, "settings"},
};

const char* extensionFor(Role role) {
    switch (role) {
    case Role::Prose:
        return ".txt";
    case Role::Catalogue:
        return ".toc";
    case Role::Index:
        return ".tvx";
    case Role::Bookmarks:
        return ".bm";
    case Role::Settings:
        return ".ini";
    default:
        return ".tvt";
    }
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// "Cannot read PATH: the file is larger than ..."
bool isTooLargeMessage(const std::string& m) {
    return startsWith(m, "Cannot read /") &&
           m.find(": the file is larger than ") != std::string::npos;
}

// One of the reader's own messages.
bool isReaderMessage(const std::string& m) {
    const auto endsWith = [&m](const std::string& suffix) {
        return m.size() >= suffix.size() &&
               m.compare(m.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return isTooLargeMessage(m) || startsWith(m, "Cannot create file /") ||
           startsWith(m, "Unable to write to /") ||
           (startsWith(m, "List index out of bounds (") && endsWith(")")) ||
           (startsWith(m, "'") && endsWith("' is not a valid integer value")) ||
           m == "No BookMark Added" || m == "Not here yet";
}

// makePath(root, extension) puts the thing to be read in place and gives its path.
using PathMaker = std::function<std::string(const std::string&, const std::string&)>;

// A file of these bytes.
PathMaker fileOf(const std::string& bytes) {
    return [&bytes](const std::string& root, const std::string& extension) {
        const std::string path = root + "/in/hostile" + extension;
        writeBytes(path, bytes);
        return path;
    };
}

// The child's exit codes.
constexpr int kQuiet = 0;    // every step went through
constexpr int kMessages = 1; // some step stopped with a reader's message
constexpr int kStrange = 98; // a message that is not the reader's
constexpr int kStartFailed = 99;
constexpr int kNotRecovered = 96; // the built-in book no longer opens and pages afterwards

// Reads the file in its role through the reader's own handlers, then goes on using the
// reader; every handler runs as the window runs it.
int exercise(const std::string& root, Role role, const PathMaker& makePath) {
    auto fs = qm::makeRealFileSystem();
    qmtest::RecordingView view;
    qmtest::FixedPlatform platform;
    qm::FakeSurface surface(640, 480);
    qm::Session s(view, *fs, platform);
    s.setSurface(&surface);
    for (const char* sub : {"/prog", "/data", "/in"})
        fs->createFolder(root + sub);
    if (!s.run([&] { s.FormCreate(root + "/prog/quillmar", root + "/data/", ""); }))
        return kStartFailed;
    s.FormActivate();

    const std::string path = makePath(root, extensionFor(role));
    const auto paging = [&] {
        for (int i = 0; i < 3; ++i)
            s.run([&] { s.NextButtonClick(); });
        s.run([&] { s.PrevButtonClick(); });
        s.run([&] { s.FontSizeTrackBarChange(40); });
        s.run([&] { s.TwoColCheckBoxClick(true); });
        s.run([&] { s.FontSizeTrackBarChange(4); });
        s.run([&] { s.FindDialog1Find("e", true, false); });
        s.run([&] { s.FindDialog1Find("Z", false, true); });
        view.saveAnswers.push_back(root + "/screen.txt");
        s.run([&] { s.SaveScreenItemClick(); });
    };

    switch (role) {
    case Role::RecordText:
        qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".cdb");
        [[fallthrough]];
    case Role::Text:
    case Role::Prose:
        s.run([&] { s.openText(path, "00000"); });
        paging();
        break;
    case Role::Catalogue: {
        view.openAnswers.push_back(path);
        s.run([&] { s.OpenTOCItemClick(); });
        const int count = static_cast<int>(s.catalogue().size());
        for (const int node : {0, 1, 2, 3, count / 2, count - 1, count})
            s.run([&] { s.TOCTreeViewClick(node); });
        paging();
        break;
    }
    case Role::Index: {
        qm::SessionTestAccess(s).setIndexFile(path);
        s.run([&] { s.IndexLoadButtonClick(); });
        const int count = static_cast<int>(s.indexNodes().size());
        for (const int node : {0, 1, 2, 3, 4, 5, count / 2, count - 1, count})
            s.run([&] { s.InxTreeViewClick(node); });
        break;
    }
    case Role::Bookmarks:
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
        qm::SessionTestAccess(s).setTextKey("qdemo");
        s.run([&] { s.BMMenuClick(); });
        s.run([&] { s.newestEntry(); });
        s.run([&] { s.BMGotoPopupHandler(0); });
        view.bookmarkNames.push_back("a mark on a hostile file");
        s.run([&] { s.BMAddItemClick(); });
        s.run([&] { s.BMMenuClick(); });
        s.run([&] { s.BMDeletePopupHandler(0); });
        qm::SessionTestAccess(s).setPageTurned(true);
        s.run([&] { s.writeClosingMark(); });
        break;
    case Role::Settings:
        qm::SessionTestAccess(s).setLocation(&qm::Locations::settingsFile, path);
        s.run([&] { s.applySettings(); });
        view.bounds = {5, 6, 600, 500};
        s.run([&] { s.saveSettings(); });
        s.run([&] { s.applySettings(); });
        break;
    }
    // The reader still works: the built-in book opens and pages. Only a bookmark file too large
    // to read may be reported again, when the opening looks for a place to resume at.
    qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".toc");
    const std::size_t messagesBefore = view.messages.size();
    const bool opened = s.run([&] { s.openText(root + "/prog/qdemo.tvt", "00000"); }) &&
                        s.run([&] { s.NextButtonClick(); });
    const bool quiet = std::all_of(
        view.messages.begin() + static_cast<long>(messagesBefore), view.messages.end(),
        [&](const std::string& m) { return role == Role::Bookmarks && isTooLargeMessage(m); });
    if (!opened || !quiet || s.textKey() != "qdemo" || s.topLine() <= 0) return kNotRecovered;

    bool strange = false;
    for (const auto& m : view.messages) {
        if (isReaderMessage(m)) continue;
        strange = true;
        std::string shown;
        for (const char c : m.substr(0, 200)) {
            const auto byte = static_cast<unsigned char>(c);
            shown += byte >= 32 && byte < 127 ? std::string(1, c) : "\\" + std::to_string(byte);
        }
        std::fprintf(stderr, "not a message of the reader: \"%s\" (%zu bytes)\n", shown.c_str(),
                     m.size());
    }
    if (strange) return kStrange;
    return view.messages.empty() ? kQuiet : kMessages;
}

void PrintTo(const Hostile& file, std::ostream* out) {
    *out << file.name;
}

class HostileFiles : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFiles, EveryReaderEndsWithAResult) {
    const Hostile& file = GetParam();
    const std::string bytes =
        file.path.empty() ? madeBytes(file.name) : readBytes(file.path).value_or("missing");
    int quiet = 0, withMessages = 0;
    for (const auto& [roleValue, roleName] : kRoles) {
        const Role role = roleValue; // a lambda cannot capture a structured binding in C++20
        TempFolder dir;
        const ChildEnd end =
            runForked([&] { return exercise(dir.path(), role, fileOf(bytes)); }, kSecondsPerCase);
        if (end.exited && end.exitCode == kQuiet)
            ++quiet;
        else if (end.exited && end.exitCode == kMessages)
            ++withMessages;
        else
            ADD_FAILURE() << file.name << " as " << roleName << ": the child " << end.describe()
                          << (end.signal == SIGALRM ? " (time bound hit)" : "");
    }
    report(file.name, {{"bytes", static_cast<long long>(bytes.size())},
                       {"roles", static_cast<long long>(kRoles.size())},
                       {"quiet", quiet},
                       {"withMessages", withMessages}});
}

std::string caseName(const ::testing::TestParamInfo<Hostile>& info) {
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileFiles, ::testing::ValuesIn(hostileFiles()), caseName);

// Paths that are not ordinary files: a folder, a named pipe (opening it for reading waits for
// a writer that never comes), a dangling link, a device, a name longer than the system takes,
// a name of control and high bytes holding an ordinary file, and a sparse file of 64 GB (read
// whole, it would exhaust memory; it is refused by its size).
TEST(HostilePaths, EveryReaderEndsWithAResult) {
    const std::vector<std::pair<std::string, PathMaker>> kinds = {
        {"folder",
         [](const std::string& root, const std::string& ext) {
             fsys::create_directory(root + "/in/folder" + ext);
             return root + "/in/folder" + ext;
         }},
        {"named-pipe",
         [](const std::string& root, const std::string& ext) {
             const std::string path = root + "/in/pipe" + ext;
             if (::mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo");
             return path;
         }},
        {"dangling-link",
         [](const std::string& root, const std::string& ext) {
             fsys::create_symlink(root + "/in/nowhere", root + "/in/link" + ext);
             return root + "/in/link" + ext;
         }},
        {"device",
         [](const std::string& root, const std::string& ext) {
             fsys::create_symlink("/dev/zero", root + "/in/zero" + ext);
             return root + "/in/zero" + ext;
         }},
        {"name-too-long",
         [](const std::string& root, const std::string& ext) {
             return root + "/in/" + std::string(5000, 'n') + ext;
         }},
        {"odd-name",
         [](const std::string& root, const std::string& ext) {
             const std::string path = root + "/in/odd \n\r\t\"'$(x)\xff\x80" + ext;
             writeBytes(path, "l01a phrase\r\n#3 mark\r\nfontsize=12\r\n");
             return path;
         }},
        {"sparse-64-GB",
         [](const std::string& root, const std::string& ext) {
             const std::string path = root + "/in/sparse" + ext;
             writeBytes(path, "");
             fsys::resize_file(path, 64ull << 30);
             return path;
         }},
    };
    int cases = 0, quiet = 0, withMessages = 0;
    for (const auto& [kind, makePath] : kinds) {
        for (const auto& [roleValue, roleName] : kRoles) {
            const Role role = roleValue;
            const PathMaker& maker = makePath;
            TempFolder dir;
            const ChildEnd end =
                runForked([&] { return exercise(dir.path(), role, maker); }, kSecondsPerCase / 4);
            ++cases;
            if (end.exited && end.exitCode == kQuiet)
                ++quiet;
            else if (end.exited && end.exitCode == kMessages)
                ++withMessages;
            else
                ADD_FAILURE() << kind << " as " << roleName << ": the child " << end.describe()
                              << (end.signal == SIGALRM ? " (time bound hit)" : "");
        }
    }
    report("hostile paths", {{"cases", cases}, {"quiet", quiet}, {"withMessages", withMessages}});
}

} // namespace
