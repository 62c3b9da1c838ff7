// cascade_eval: how well the cascader's lines show sentence structure, judged by dependency
// trees. The figures are defined in LayoutQuality.h beside this file.
//
//   cascade_eval [--gold] [--show N [--misses tight|outdent|fronted|verb|conj|all] [--trees]]
//   [--treebank FILE.conllu]... [--novel BOOK]...
//
// Treebank: the raw text of every sentence is cascaded as one sentence and judged by its gold
// tree; the layout takes its parse from the model beside the program, or from the gold tree with
// --gold. Novel (any book file the reader opens): its paragraphs are cut into sentences as
// the cascader cuts them, and each sentence is judged by the built-in parser's tree. Each
// source is measured twice: with the lexicon rules alone ("lexicon") and as the cascader lays
// sentences out today ("cascade").
// --show N prints the first N sentences of each source as laid out both ways; with --misses
// WHAT, only those that miss on a figure (tight, outdent, fronted, verb, conj or all of them); with
// --trees, each with the built-in parser's tree (index word/TAG/head/relation).
// --model FILE loads a grammar model instead of the one beside the program.
#include "LayoutQuality.h"
#include "core/cascade/GrammarParser.h"
#include "core/cascade/LexiconLayout.h"
#include "core/cascade/ParseRepair.h"
#include "core/cascade/ParseTree.h"
#include "core/cascade/SentenceCascade.h"
#include "core/cascade/StyleTags.h"
#include "core/cascade/Tokenizer.h"
#include "core/grammar/Conllu.h"
#include "core/import/BookReader.h"
#include "support/ToolModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;
using namespace qm::cascade;

// Hands the layout the gold tree of the sentence being measured.
class GoldParser final : public SentenceParser {
public:
    void expect(std::string_view text, const grammar::Sentence& tree) {
        m_text = text;
        m_tree = &tree;
    }
    bool parse(std::string_view sentence, grammar::Sentence& out) override {
        if (!m_tree || sentence != m_text) return false;
        out = *m_tree;
        return true;
    }
    std::size_t maxWords() const override { return 250; }

private:
    std::string_view m_text;
    const grammar::Sentence* m_tree = nullptr;
};

// With --misses WHAT, --show prints only sentences that miss on that figure.
std::string g_misses;
// With --trees, --show prints the built-in parser's tree under each sentence.
bool g_trees = false;

// The relation that makes the gap after word g tight (the first found), as tightGaps draws
// its units, and whether the run of tight gaps around it is wider than a line.
std::string tightReason(std::string_view text, const grammar::Sentence& tree, std::size_t g) {
    std::string why = "?";
    for (std::size_t d = 0; d < tree.size() && why == "?"; ++d) {
        if (tree[d].head == 0) continue;
        const std::size_t h = tree[d].head - 1;
        const std::size_t a = std::min(d, h), b = std::max(d, h);
        const grammar::Rel r = tree[d].rel;
        using R = grammar::Rel;
        const bool either = r == R::Nummod || r == R::Flat || r == R::FlatForeign ||
                            r == R::Fixed || r == R::Goeswith || r == R::CompoundPrt ||
                            r == R::Aux || r == R::AuxPass;
        const bool left = r == R::Det || r == R::DetPredet || r == R::Amod || r == R::Compound ||
                          r == R::NmodPoss || r == R::Mark || r == R::Case;
        if (!either && !(left && d < h)) continue;
        const bool covers = r == grammar::Rel::Case ? (d < h && g == d) : (a <= g && g < b);
        if (covers) why = std::string(grammar::relName(r));
    }
    std::vector<std::uint8_t> tight;
    tightGaps(text, tree, tight);
    std::size_t a = g, b = g + 1;
    while (a > 0 && tight[a - 1])
        --a;
    while (b < tight.size() && tight[b])
        ++b;
    if (tree[b].end - tree[a].begin > 40) why += " (wide)";
    return why;
}

// Tight breaks tallied by layout path and reason.
std::map<std::string, std::size_t> g_tightTally;

struct Run {
    LayoutQuality lexicon;
    LayoutQuality cascade;
    std::size_t shown = 0;
};

void print(const char* source, const char* how, const LayoutQuality& q,
           const LayoutCounts* counts) {
    std::printf(
        "%-28s %-8s %6zu %7zu %5.2f %5.2f %6.1f%% %6.1f%% %6.1f%% %6.1f%% %6.1f%% %6.3f %5.2f "
        "%5.1f%%",
        source, how, q.sentences, q.lines, q.tightPer100(), q.unforcedTightPer100(),
        100 * q.outdentShare(), 100 * q.possibleOutdentShare(), 100 * q.frontedAtBaseShare(),
        100 * q.mainVerbColouredShare(), 100 * q.conjVerbColouredShare(), q.spearman(),
        q.lines ? static_cast<double>(q.words) / static_cast<double>(q.lines) : 0.0,
        q.lines ? 100.0 * static_cast<double>(q.oneWordLines) / static_cast<double>(q.lines) : 0.0);
    if (counts)
        std::printf("  parsed %zu lexicon %zu (unparseable %zu untrusted %zu misfit %zu)",
                    counts->parsed, counts->lexicon, counts->unparseable, counts->untrusted,
                    counts->misfit);
    if (q.unaligned) std::printf("  unaligned %zu", q.unaligned);
    std::printf("\n");
}

void printHeader() {
    std::printf("%-28s %-8s %6s %7s %5s %5s %7s %7s %7s %7s %7s %6s %5s %6s\n", "source", "layout",
                "sents", "lines", "tight", "unfor", "outdent", "possib", "fronted", "verb", "conj",
                "rho", "w/ln", "1-word");
}

void show(std::string_view text, const Lines& a, const Lines& b) {
    std::printf("\n# %.*s\n", static_cast<int>(text.size()), text.data());
    for (std::size_t i = 0; i < a.size() || i < b.size(); ++i)
        std::printf("  %-46s | %s\n", i < a.size() ? a[i].c_str() : "",
                    i < b.size() ? b[i].c_str() : "");
}

SentenceParser* g_parser = nullptr;
const FileSystem* g_fs = nullptr;

// The judging tree's tags beside the built-in parser's, where they differ: "word GOLD/PARSED".
void printTags(std::string_view sentence, const grammar::Sentence& tree) {
    grammar::Sentence parsed;
    if (!g_parser || !g_parser->parse(sentence, parsed) || parsed.size() != tree.size()) return;
    std::string diff;
    for (std::size_t w = 0; w < tree.size(); ++w) {
        if (tree[w].upos == parsed[w].upos) continue;
        diff += " " + std::string(sentence.substr(tree[w].begin, tree[w].end - tree[w].begin)) +
                " " + std::string(grammar::uposName(tree[w].upos)) + "/" +
                std::string(grammar::uposName(parsed[w].upos));
    }
    if (!diff.empty()) std::printf("  tags (judge/parser):%s\n", diff.c_str());
}

std::string treeLine(std::string_view sentence, const grammar::Sentence& parsed) {
    std::string line = " ";
    for (std::size_t w = 0; w < parsed.size(); ++w) {
        line += " " + std::to_string(w + 1) + ":" +
                std::string(sentence.substr(parsed[w].begin, parsed[w].end - parsed[w].begin)) +
                "/" + std::string(grammar::uposName(parsed[w].upos)) + "/" +
                std::to_string(parsed[w].head) + "/" + std::string(grammar::relName(parsed[w].rel));
    }
    return line;
}

// The built-in parser's tree, one "index word TAG head rel" a word, and below it the tree the
// layout reads when the cascader's repairs change it.
void printTree(std::string_view sentence) {
    grammar::Sentence parsed;
    if (!g_parser || !g_parser->parse(sentence, parsed)) return;
    const std::string line = treeLine(sentence, parsed);
    std::printf("%s\n", line.c_str());
    if (!isTree(parsed)) return;
    repairParse(sentence, parsed);
    const std::string repaired = treeLine(sentence, parsed);
    if (repaired != line) std::printf("  repaired:%s\n", repaired.c_str());
}

// Lays the sentence (tokens [first, last) of `text`) out both ways and measures both.
void measure(std::string_view text, const std::vector<Token>& tokens, std::size_t first,
             std::size_t last, std::string_view sentence, const grammar::Sentence& tree,
             SentenceCascade& cascade, Run& run, std::size_t showCount) {
    static LexiconLayout lexicon;
    static NameMemory lexiconNames, cascadeNames;
    Lines a, b;
    const std::size_t parsedBefore = cascade.counts().parsed;
    lexicon.layout(text, tokens, first, last, lexiconNames, a);
    cascade.layout(text, tokens, first, last, cascadeNames, b);
    run.lexicon.add(sentence, tree, a);
    const LayoutQuality before = run.cascade;
    run.cascade.add(sentence, tree, b);
    const char* path = cascade.counts().parsed > parsedBefore ? "parse" : "lexicon";
    std::vector<std::string> reasons;
    for (std::size_t g : run.cascade.lastTightBreaks) {
        reasons.push_back(
            std::string(sentence.substr(tree[g].begin, tree[g].end - tree[g].begin)) + " | " +
            std::string(sentence.substr(tree[g + 1].begin, tree[g + 1].end - tree[g + 1].begin)) +
            "  " + tightReason(sentence, tree, g));
        ++g_tightTally[std::string(path) + " " + tightReason(sentence, tree, g)];
    }
    for (const auto& [from, to] : run.cascade.lastMissedOutdents) {
        if (g_misses == "outdent")
            ++g_tightTally[std::string(grammar::relName(tree[from].rel)) + " -> " +
                           std::string(grammar::relName(tree[to].rel))];
    }
    const LayoutQuality& q = run.cascade;
    const std::string& m = g_misses;
    const bool missed =
        ((m == "tight" || m == "all") && q.tightBreaks > before.tightBreaks) ||
        ((m == "outdent" || m == "all") &&
         q.shallower - before.shallower > q.outdented - before.outdented) ||
        ((m == "fronted" || m == "all") &&
         q.fronted - before.fronted > q.frontedAtBase - before.frontedAtBase) ||
        ((m == "verb" || m == "all") &&
         q.mainVerbs - before.mainVerbs > q.mainVerbsColoured - before.mainVerbsColoured) ||
        ((m == "conj" || m == "all") &&
         q.conjVerbs - before.conjVerbs > q.conjVerbsColoured - before.conjVerbsColoured);
    if (run.shown < showCount && (m.empty() || missed)) {
        ++run.shown;
        show(sentence, a, b);
        if (g_trees) printTree(sentence);
        if (m == "tight" || m == "all") {
            for (const std::string& r : reasons)
                std::printf("  tight (%s): %s\n", path, r.c_str());
            printTags(sentence, tree);
        }
        if (m == "outdent" || m == "all") {
            for (const auto& [from, to] : run.cascade.lastMissedOutdents)
                std::printf("  not outdented: %.*s (%s) -> %.*s (%s)\n",
                            static_cast<int>(tree[from].end - tree[from].begin),
                            sentence.data() + tree[from].begin,
                            std::string(grammar::relName(tree[from].rel)).c_str(),
                            static_cast<int>(tree[to].end - tree[to].begin),
                            sentence.data() + tree[to].begin,
                            std::string(grammar::relName(tree[to].rel)).c_str());
        }
    }
}

std::string withoutBars(std::string s) {
    for (char& c : s) {
        if (c == '|') c = '/';
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return s;
}

void evalTreebank(const std::string& path, bool gold, std::size_t showCount) {
    std::size_t skipped = 0; // not trees
    std::vector<grammar::TreebankSentence> sentences =
        grammar::readConllu(grammar::readFileBytes(*g_fs, path));
    GoldParser goldParser;
    SentenceParser* parser = gold ? &goldParser : g_parser;
    SentenceCascade cascade(parser);
    Run run;
    std::vector<Token> tokens;
    for (grammar::TreebankSentence& s : sentences) {
        s.text = withoutBars(s.text);
        if (!isTree(s.words)) {
            ++skipped;
            continue;
        }
        tokenize(s.text, tokens);
        if (tokens.empty()) continue;
        markSpeechAndSentences(s.text, tokens);
        goldParser.expect(s.text, s.words);
        measure(s.text, tokens, 0, tokens.size(), s.text, s.words, cascade, run, showCount);
    }
    const std::string name = path.substr(path.find_last_of('/') + 1) + (gold ? " (gold)" : "");
    printHeader();
    print(name.c_str(), "lexicon", run.lexicon, nullptr);
    print(name.c_str(), "cascade", run.cascade, &cascade.counts());
    if (skipped) std::printf("  (%zu treebank sentences skipped: not trees)\n", skipped);
    if (g_misses == "tight" || g_misses == "outdent") {
        for (const auto& [why, count] : g_tightTally)
            std::printf("  %s %s: %zu\n", g_misses == "tight" ? "tight breaks," : "not outdented,",
                        why.c_str(), count);
        g_tightTally.clear();
    }
}

void evalNovel(const std::string& path, std::size_t showCount) {
    SentenceParser* parser = g_parser;
    if (!parser) {
        std::printf("%s: no built-in parser to judge by\n", path.c_str());
        return;
    }
    // The book is read as the reader reads it (its frame, headings and "_italics_" taken
    // out), so the sentences judged are the ones the reader lays out.
    const cascade::Document doc = import::readBook(path, grammar::readFileBytes(*g_fs, path));
    SentenceCascade cascade(parser);
    Run run;
    std::vector<Token> tokens;
    grammar::Sentence tree;
    for (const cascade::BlockView block : doc.blocks) {
        if (block.kind != cascade::BlockKind::Paragraph) continue;
        const std::string text = withoutBars(cascade::splitStyleTags(block.text).plain);
        tokenize(text, tokens);
        if (tokens.empty()) continue;
        markSpeechAndSentences(text, tokens);
        std::size_t first = 0;
        for (std::size_t i = 1; i <= tokens.size(); ++i) {
            if (i < tokens.size() && !tokens[i].sentenceStart) continue;
            const std::size_t base = tokens[first].begin;
            const std::string_view sentence =
                std::string_view(text).substr(base, tokens[i - 1].end - base);
            tree.clear();
            if (i - first <= parser->maxWords() && parser->parse(sentence, tree) && isTree(tree))
                measure(text, tokens, first, i, sentence, tree, cascade, run, showCount);
            first = i;
        }
    }
    const std::string name = path.substr(path.find_last_of('/') + 1);
    printHeader();
    print(name.c_str(), "lexicon", run.lexicon, nullptr);
    print(name.c_str(), "cascade", run.cascade, &cascade.counts());
}

} // namespace

int main(int argc, char** argv) {
    bool gold = false;
    std::size_t showCount = 0;
    std::vector<std::string> treebanks, novels;
    std::string model;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--gold") {
            gold = true;
        } else if (a == "--trees") {
            g_trees = true;
        } else if (a == "--model" && i + 1 < argc) {
            model = argv[++i];
        } else if (a == "--misses" && i + 1 < argc) {
            g_misses = argv[++i];
        } else if (a == "--show" && i + 1 < argc) {
            showCount = std::stoul(argv[++i]);
        } else if (a == "--treebank" && i + 1 < argc) {
            treebanks.emplace_back(argv[++i]);
        } else if (a == "--novel" && i + 1 < argc) {
            novels.emplace_back(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: cascade_eval [--gold] [--show N [--misses "
                                 "tight|outdent|fronted|verb|conj|all] [--trees]] "
                                 "[--treebank FILE]... "
                                 "[--novel FILE]...\n");
            return 2;
        }
    }
    try {
        const std::unique_ptr<FileSystem> fs = makeRealFileSystem();
        g_fs = fs.get();
        std::unique_ptr<GrammarParser> loaded;
        if (!model.empty()) loaded = GrammarParser::load(*fs, model);
        ModelParser besideTool(*fs, tools::modelBesideTool());
        if (loaded)
            g_parser = loaded.get();
        else if (besideTool.load())
            g_parser = &besideTool;
        for (const std::string& t : treebanks)
            evalTreebank(t, gold, showCount);
        for (const std::string& n : novels)
            evalNovel(n, showCount);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cascade_eval: %s\n", e.what());
        return 1;
    }
    return 0;
}
