#pragma once
// A book reader and a file system for the library's tests: the reader takes "# Title" lines
// for chapter headings and blank-line-separated paragraphs, and counts its calls; the file
// system fails the n-th write from now on request.
#include "core/base/Error.h"
#include "core/cascade/Document.h"
#include "core/encoding/Windows1252.h"
#include "core/library/Library.h"
#include "core/testing/MemoryFileSystem.h"

#include <string>
#include <string_view>

namespace qm::test {

struct FakeReader {
    int calls = 0;
    // A scene break after every paragraph, so a second reading can lay the same words out
    // on other lines.
    bool sceneBreaks = false;
    // A cover and a picture after the first paragraph, as a book reader keeps them.
    bool pictures = false;

    cascade::Document read(std::string_view bytes) {
        ++calls;
        if (bytes.substr(0, 4) == "BAD!") throw UserError("Not a book this reader knows.");
        cascade::Document doc;
        doc.title = "The Test Book";
        doc.author = "A. Writer";
        std::string para;
        auto flush = [&] {
            if (para.empty()) return;
            doc.blocks.push_back({cascade::BlockKind::Paragraph, 0, para});
            if (sceneBreaks) doc.blocks.push_back({cascade::BlockKind::SceneBreak, 0, ""});
            para.clear();
        };
        for (const std::string& line : splitLines(bytes)) {
            if (line.rfind("# ", 0) == 0) {
                flush();
                doc.chapters.push_back({line.substr(2), doc.blocks.size(), 0});
                doc.blocks.push_back({cascade::BlockKind::Heading, 1, line.substr(2)});
                continue;
            }
            if (line.empty()) {
                flush();
                continue;
            }
            para += line;
            para.push_back(' ');
        }
        flush();
        if (pictures) {
            doc.pictures = {{"img0001.png", "cover bytes", 3}, {"img0002.gif", "map bytes", 2}};
            doc.cover = "img0001.png";
            doc.blocks.push_back({cascade::BlockKind::Image, 0, "img0002.gif"});
        }
        return doc;
    }

    library::DocumentReader function() {
        return [this](std::string_view, std::string_view bytes) { return read(bytes); };
    }
};

// Thrown at every change of the file system once the program was "killed".
struct Killed {};

// Forwards to an in-memory file system; the write numbered `failAt` from now (1 = the next)
// fails, leaving the file as it was. With `killAt` set, the program dies at that change from
// now (writes, removals, new folders): it and every later change are never made, as after a
// kill, and throw Killed.
class CountingFileSystem final : public FileSystem {
public:
    MemoryFileSystem mem;
    int failAt = 0;
    int killAt = 0;
    int changes = 0; // changes made (or tried, once killed)

    bool fileExists(const std::string& p) const override { return mem.fileExists(p); }
    bool folderExists(const std::string& p) const override { return mem.folderExists(p); }
    void createFolder(const std::string& p) override {
        change();
        mem.createFolder(p);
    }
    void writeFile(const std::string& p, const std::string& bytes) override {
        change();
        if (failAt > 0 && --failAt == 0) throw UserError(unableToWriteMessage(p));
        mem.writeFile(p, bytes);
    }
    bool removeFile(const std::string& p) override {
        change();
        return mem.removeFile(p);
    }
    bool removeFolder(const std::string& p) override {
        change();
        return mem.removeFolder(p);
    }
    std::vector<FolderEntry> listFolder(const std::string& f) const override {
        return mem.listFolder(f);
    }
    std::unique_ptr<FileLock> lock(const std::string& p) override { return mem.lock(p); }

protected:
    std::optional<std::string> readCapped(const std::string& p, const FileCap& cap) const override {
        return mem.readFile(p, cap);
    }

private:
    void change() {
        ++changes;
        if (killAt > 0 && changes >= killAt) throw Killed();
    }
};

inline const char* const kDataFolder = "/home/reader/.local/share/quillmar/";

// A short book: three chapters of a few paragraphs, with UTF-8 quotes and accents.
inline std::string sampleBook() {
    std::string book;
    const char* const chapters[] = {"The Wind", "The Hill", "The Boat"};
    for (const char* c : chapters) {
        book += "# ";
        book += c;
        book += "\n\n";
        for (int p = 0; p < 4; ++p) {
            book += "The wind rose over the grey hill, and the little boat went home before the "
                    "rain came down. \xE2\x80\x9CNo,\xE2\x80\x9D said the caf\xC3\xA9 owner. "
                    "Nobody saw it go, and nobody asked where it had gone.\n\n";
        }
    }
    return book;
}

} // namespace qm::test
