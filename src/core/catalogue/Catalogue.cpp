#include "core/catalogue/Catalogue.h"

#include "core/base/Paths.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qm {

namespace {

constexpr int kLevels = 6;

} // namespace

Lines builtInCatalogueLines() {
    return {
        "Brindlemoor     <<0none",
        "Listed by Title  <<1title",
        "Andersen's Fairy Tales, by Andersen, Hans Christian<<2qdemo",
        "THE LITTLE MATCH-SELLER<<3qdemo@refpt001",
        "THE NIGHTINGALE<<3qdemo@refpt003",
        "THE SNOW QUEEN IN SEVEN STORIES<<3qdemo@refpt004",
        "THE BRAVE TIN SOLDIER<<3qdemo@refpt002",
        "Listed by Author <<1author",
        "Andersen, Hans Christian             <<2qau",
        "Andersen's Fairy Tales, by Andersen, Hans Christian <<3qdemo",
        "THE LITTLE MATCH-SELLER<<4qdemo@refpt001",
        "THE NIGHTINGALE<<4qdemo@refpt003",
        "THE SNOW QUEEN IN SEVEN STORIES<<4qdemo@refpt004",
        "THE BRAVE TIN SOLDIER<<4qdemo@refpt002",
        "(END)",
    };
}

Tree buildCatalogueTree(const Lines& catalogue) {
    // Nodes are made in line order and hung under their parents; the display order is a
    // walk of the finished tree, which differs from line order when a line jumps levels.
    struct Made {
        std::string text;
        std::vector<std::size_t> children;
    };
    std::vector<Made> made;
    std::vector<std::size_t> roots;
    std::array<std::optional<std::size_t>, kLevels> remembered{};

    for (const std::string& line : catalogue) {
        const auto sep = line.find("<<");
        if (sep == std::string::npos) continue;
        const std::size_t id = made.size();
        made.push_back({line.substr(0, sep), {}});
        const char level = sep + 2 < line.size() ? line[sep + 2] : '\0';
        std::optional<std::size_t> parent;
        if (level == '0') {
            remembered[0] = id;
        } else if (level >= '1' && level <= '5') {
            const int n = level - '0';
            parent = remembered[static_cast<std::size_t>(n - 1)];
            remembered[static_cast<std::size_t>(n)] = id;
        } else {
            parent = remembered[kLevels - 1];
        }
        if (parent)
            made[*parent].children.push_back(id);
        else
            roots.push_back(id);
    }

    Tree tree;
    tree.reserve(made.size());
    // Depth-first walk with an explicit stack of (node, parent position in the tree).
    std::vector<std::pair<std::size_t, int>> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.emplace_back(*it, -1);
    while (!stack.empty()) {
        const auto [id, parent] = stack.back();
        stack.pop_back();
        const int position = static_cast<int>(tree.size());
        tree.push_back({std::move(made[id].text), parent});
        const auto& children = made[id].children;
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(*it, position);
    }
    return tree;
}

std::string catalogueApplicationTitle(const Lines& catalogue) {
    if (catalogue.empty()) return {};
    const auto sep = catalogue.front().find("<<");
    if (sep == std::string::npos) return {};
    return trimBlanks(std::string_view(catalogue.front()).substr(0, sep));
}

Lines bookmarkSeedLines(const Lines& catalogue) {
    Lines seed;
    for (std::size_t i = 0; i + 1 < catalogue.size(); ++i) {
        const std::string& line = catalogue[i];
        if (line.find('@') != std::string::npos) continue;
        const auto sep = line.find("<<");
        if (sep == std::string::npos) continue;
        std::string header = line.substr(sep);
        if (header.size() > 2) header.erase(2, 1);
        seed.push_back(std::move(header));
    }
    // Sections are looked for from a bookmark file's second line on. A one-book collection's
    // root line is the book itself (its chapters point into its key), so its section goes
    // second, after an empty line.
    if (!seed.empty() && !catalogue.empty() && catalogue[0].find('@') == std::string::npos) {
        const auto sep = catalogue[0].find("<<");
        const std::string root = sep == std::string::npos || sep + 3 > catalogue[0].size()
                                     ? std::string()
                                     : catalogue[0].substr(sep + 3);
        const bool rootIsABook =
            !root.empty() && std::any_of(catalogue.begin() + 1, catalogue.end(),
                                         [&](const std::string& line) {
                                             const auto at = line.find("<<");
                                             return at != std::string::npos &&
                                                    at + 3 <= line.size() &&
                                                    line.compare(at + 3, root.size() + 1,
                                                                 root + "@") == 0;
                                         });
        if (rootIsABook) seed.insert(seed.begin(), std::string());
    }
    return seed;
}

std::optional<std::size_t> authorSectionLine(const Lines& catalogue) {
    for (std::size_t i = 1; i + 1 < catalogue.size(); ++i) {
        if (catalogue[i].find("<<1author") != std::string::npos) return i;
    }
    return std::nullopt;
}

std::string entryKeyOfLine(const std::string& line) {
    const auto sep = line.find("<<");
    if (sep == std::string::npos || sep + 3 > line.size()) return {};
    return trimBlanks(std::string_view(line).substr(sep + 3));
}

std::string titleOfLine(const std::string& line) {
    return trimBlanks(std::string_view(line).substr(0, line.find("<<")));
}

std::size_t captionLineFor(const Lines& catalogue, std::size_t index) {
    if (index >= catalogue.size()) return index;
    if (entryKeyOfLine(catalogue[index]).find('@') == std::string::npos) return index;
    while (index > 0 && catalogue[index].find('@') != std::string::npos)
        --index;
    return index;
}

std::string collectionExtensionOf(const FileSystem& fs, const std::string& textPath) {
    const auto slash = textPath.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : textPath.substr(0, slash + 1);
    const std::string key = textKeyOf(textPath);
    std::vector<FileSystem::FolderEntry> entries = fs.listFolder(folder);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& entry : entries) {
        if (!isCollectionFile(entry.name)) continue;
        const std::string extension = toLowerAscii(entry.name.substr(entry.name.size() - 4));
        // A file too large to be a catalogue holds no entry of the text's.
        std::optional<std::string> bytes;
        try {
            bytes = fs.readFile(folder + entry.name, kCatalogueFileCap);
        } catch (const FileTooLarge&) {
        }
        if (!bytes) continue;
        for (const std::string& line : splitLines(*bytes)) {
            const auto sep = line.find("<<");
            if (sep == std::string::npos || sep + 3 > line.size()) continue;
            const std::string entryKey = entryKeyOfLine(line);
            if (entryKey.substr(0, entryKey.find('@')) == key) return extension;
        }
    }
    return ".toc";
}

} // namespace qm
