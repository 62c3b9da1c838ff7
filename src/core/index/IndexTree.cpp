#include "core/index/IndexTree.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace qm {

namespace {

constexpr std::size_t kShortRef = 10; // "|" + 4 filler + 5 digits
constexpr std::size_t kLongRef = 11;  // "|" + 4 filler + 6 digits

// One character strings for the letter lines, so the line list can stay views.
const std::array<char, 256>& letterTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<char>(i);
        return t;
    }();
    return table;
}

std::string_view letterLine(char c) {
    return {&letterTable()[static_cast<unsigned char>(toLowerAscii(c))], 1};
}

// The non-empty lines of the file, each preceded by a letter line wherever the first
// character changes (compared in lower case; the first previous character is a blank).
std::vector<std::string_view> linesWithLetters(std::string_view bytes) {
    std::vector<std::string_view> out;
    const char* const data = bytes.data();
    const std::size_t size = bytes.size();
    // The next CR and the next LF at or after the current position, found with memchr.
    auto nextOf = [&](char c, std::size_t from) -> std::size_t {
        const void* p = from < size ? std::memchr(data + from, c, size - from) : nullptr;
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - data) : size;
    };
    std::size_t nextCr = nextOf('\r', 0), nextLf = nextOf('\n', 0);
    char previous = ' ';
    std::size_t pos = 0;
    while (pos < size) {
        if (nextCr < pos) nextCr = nextOf('\r', pos);
        if (nextLf < pos) nextLf = nextOf('\n', pos);
        const std::size_t end = std::min(nextCr, nextLf);
        const std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        if (toLowerAscii(line[0]) != toLowerAscii(previous)) {
            out.push_back(letterLine(line[0]));
            previous = line[0];
        }
        out.push_back(line);
    }
    return out;
}

bool isShortBarLine(std::string_view line) {
    return !line.empty() && line[0] == '|' && line.size() < kLongRef;
}

// Appends nodes, giving each line its level and parent as the line list is walked.
class NodeWriter {
public:
    explicit NodeWriter(std::vector<IndexNode>& nodes)
        : m_nodes(nodes) {
        m_nodes.push_back({"Index", 0, -1});
    }

    // Each node is made in its place in the list; a reference's text is written into the
    // string's own buffer byte by byte (it is a handful of digits), which keeps the million
    // nodes of a large index free of per-node library calls.
    void add(std::string_view line) {
        const int index = static_cast<int>(m_nodes.size());
        IndexNode& node = m_nodes.emplace_back();
        if (!line.empty() && line[0] == '|') {
            const std::string_view rest = line.size() > 5 ? line.substr(5) : std::string_view{};
            node.level = 3;
            node.parent = m_lastWord;
            node.text.resize(2 + rest.size(), ' ');
            char* out = node.text.data() + 2;
            for (const char c : rest)
                *out++ = c;
        } else if (line.size() == 1) {
            node.text.assign(line);
            node.level = 1;
            node.parent = 0;
            m_lastLetter = index;
        } else {
            node.text.assign(line);
            node.level = 2;
            node.parent = m_lastLetter;
            m_lastWord = index;
        }
    }

private:
    std::vector<IndexNode>& m_nodes;
    int m_lastLetter = -1;
    int m_lastWord = -1;
};

} // namespace

std::vector<IndexNode> buildIndexTree(std::string_view fileBytes) {
    const std::vector<std::string_view> lines = linesWithLetters(fileBytes);

    // Every node comes from a line or from a piece of at least ten bytes, so this is enough
    // room for all of them; pages that stay unused are never touched.
    std::vector<IndexNode> nodes;
    nodes.reserve(1 + lines.size() + fileBytes.size() / kShortRef);
    NodeWriter writer(nodes);

    // Cut pieces of the line in hand, in the order they were cut (from the end of the line).
    std::vector<std::string_view> shortRefs;
    std::vector<std::string_view> longRefs;

    std::size_t next = 0;
    while (next < lines.size()) {
        std::string_view line = lines[next++];
        shortRefs.clear();
        longRefs.clear();
        // References are cut from the end of the line for as long as one stands there.
        for (;;) {
            const std::size_t n = line.size();
            if (n > kShortRef && line[n - kShortRef] == '|') {
                shortRefs.push_back(line.substr(n - kShortRef));
                line.remove_suffix(kShortRef);
            } else if (n >= kLongRef + 1 && line[n - kLongRef] == '|') {
                longRefs.push_back(line.substr(n - kLongRef));
                line.remove_suffix(kLongRef);
            } else {
                break;
            }
        }

        writer.add(line);
        for (auto it = shortRefs.rbegin(); it != shortRefs.rend(); ++it)
            writer.add(*it);
        if (longRefs.empty()) continue;
        // The long references go after the short ones and after any following lines that
        // look like short references (a bar line of another word); those lines carry no
        // references of their own, so they are written here as they are.
        while (next < lines.size() && isShortBarLine(lines[next]))
            writer.add(lines[next++]);
        for (auto it = longRefs.rbegin(); it != longRefs.rend(); ++it)
            writer.add(*it);
    }
    return nodes;
}

std::optional<int> firstSelectableIndexNode(const std::vector<IndexNode>& nodes) {
    if (nodes.size() < 2) return std::nullopt;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        if (nodes[i].parent == 0) return static_cast<int>(i);
    }
    return 1;
}

Lines indexInstructionLines() {
    return {
        "Click \"Load Index\" to load", "and setup the index, this",
        "may take a short while.",      "",
        "After the index is loaded",    "click on the \"+\"'s to select",
        "the word, and to see the ",    "index entries.  Clicking on ",
        "an index entry will go to",    "that line in the book.",
    };
}

} // namespace qm
