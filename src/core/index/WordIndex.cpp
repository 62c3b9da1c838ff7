#include "core/index/WordIndex.h"

#include "core/text/LineFormat.h"
#include "core/text/Tags.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

// Limit of the six-digit reference form.
constexpr std::size_t kMaxLines = 1'000'000;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Words that say nothing about a passage; compared in lower case.
bool isFunctionWord(std::string_view lower) {
    static const std::unordered_set<std::string_view> words = {
        "about",    "above",      "after",    "again",     "against",   "all",     "also",
        "although", "among",      "and",      "any",       "are",       "because", "been",
        "before",   "being",      "both",     "but",       "can",       "could",   "did",
        "does",     "doing",      "done",     "down",      "during",    "each",    "either",
        "even",     "ever",       "for",      "from",      "had",       "has",     "have",
        "having",   "her",        "here",     "hers",      "herself",   "him",     "himself",
        "his",      "how",        "into",     "its",       "itself",    "just",    "let",
        "may",      "might",      "more",     "most",      "much",      "must",    "myself",
        "neither",  "nor",        "not",      "now",       "off",       "once",    "only",
        "onto",     "other",      "our",      "ours",      "ourselves", "out",     "over",
        "own",      "said",       "same",     "shall",     "she",       "should",  "since",
        "some",     "such",       "than",     "that",      "the",       "their",   "theirs",
        "them",     "themselves", "then",     "there",     "these",     "they",    "this",
        "those",    "though",     "through",  "till",      "too",       "under",   "until",
        "upon",     "very",       "was",      "were",      "what",      "when",    "where",
        "whether",  "which",      "while",    "who",       "whom",      "whose",   "why",
        "will",     "with",       "within",   "without",   "would",     "yet",     "you",
        "your",     "yours",      "yourself", "yourselves"};
    return words.count(lower) != 0;
}

// The part of a display line that holds words: nothing for a reference-point line (drawn as
// an empty row), and no image file name.
std::string wordText(std::string_view line) {
    if (line.find("refp") != std::string_view::npos) return {};
    return removeTags(line.substr(0, line.find("|image>")));
}

struct Entry {
    std::string word;
    std::string lower;
    std::vector<int> lines;
};

} // namespace

Lines makeWordIndex(const Lines& displayLines) {
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> byWord;
    // The end line that opening appends is the reader's, not the text's: its words are not
    // indexed.
    std::size_t count = displayLines.size();
    if (count >= 2 && displayLines[count - 2] == kEndLine && displayLines[count - 1] == " ")
        count -= 2;
    count = std::min(count, kMaxLines);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string text = wordText(displayLines[i]);
        std::size_t pos = 0;
        while (pos < text.size()) {
            if (!isLetter(text[pos])) {
                ++pos;
                continue;
            }
            std::size_t end = pos + 1;
            while (end < text.size() &&
                   (isLetter(text[end]) ||
                    (text[end] == '\'' && end + 1 < text.size() && isLetter(text[end + 1]))))
                ++end;
            const std::string word = text.substr(pos, end - pos);
            pos = end;
            if (word.size() < 3) continue;
            const std::string lower = toLowerAscii(word);
            if (isFunctionWord(lower)) continue;
            auto [it, added] = byWord.try_emplace(word, entries.size());
            if (added) entries.push_back({word, lower, {}});
            std::vector<int>& lines = entries[it->second].lines;
            if (lines.empty() || lines.back() != static_cast<int>(i))
                lines.push_back(static_cast<int>(i));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.lower != b.lower ? a.lower < b.lower : a.word < b.word;
    });

    Lines out;
    out.reserve(entries.size());
    for (const Entry& e : entries) {
        std::string line = e.word;
        line.reserve(e.word.size() + 11 * e.lines.size());
        for (const int n : e.lines) {
            const std::string digits = std::to_string(n);
            const std::size_t width = n < 100000 ? 5 : 6;
            line += "|0000";
            line.append(width - std::min(width, digits.size()), '0');
            line += digits;
        }
        out.push_back(std::move(line));
    }
    return out;
}

} // namespace qm
