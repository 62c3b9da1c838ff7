// The grammar on real prose: cutting, tagging and parsing every sentence of a novel (the
// corpus's when it is there, else the built-in book's tales), in MB of prose per second,
// against the floor of the tokenizer alone over the same sentences.
#include "core/grammar/Grammar.h"
#include "core/grammar/Tokenizer.h"
#include "core/port/FileSystem.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qm::grammar::Grammar;
using qm::grammar::Sentence;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

std::string prose() {
    std::string text = readAll(QM_SHARED_DIR "/corpus/pride-and-prejudice.txt");
    const std::size_t start = text.find("*** START OF");
    const std::size_t end = text.find("*** END OF");
    if (start != std::string::npos && end != std::string::npos && end > start) {
        const std::size_t from = text.find('\n', start);
        return text.substr(from + 1, end - from - 1);
    }
    if (!text.empty()) return text;
    std::vector<fs::path> tales;
    for (const auto& e : fs::directory_iterator(QM_SOURCE_DIR "/book/src"))
        if (e.path().extension() == ".txt") tales.push_back(e.path());
    std::sort(tales.begin(), tales.end());
    for (const fs::path& p : tales)
        text += readAll(p) + "\n\n";
    return text;
}

// Sentences as a simple reader cuts them: after . ! ? (and closing quotes) before a blank,
// and at blank lines; line ends inside a paragraph become spaces.
std::vector<std::string> sentences(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        if (current.find_first_not_of(' ') != std::string::npos) out.push_back(current);
        current.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') continue;
        if (c == '\n') {
            if (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r'))
                flush();
            else
                current.push_back(' ');
            continue;
        }
        current.push_back(c);
        if (c == '.' || c == '!' || c == '?') {
            while (i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\'' ||
                                           text[i + 1] == ')' || text[i + 1] == '_'))
                current.push_back(text[++i]);
            if (i + 1 >= text.size() || text[i + 1] == ' ' || text[i + 1] == '\n') flush();
        }
    }
    flush();
    return out;
}

const std::vector<std::string>& corpusSentences() {
    static const std::vector<std::string> s = sentences(prose());
    return s;
}

std::int64_t bytesOf(const std::vector<std::string>& s) {
    std::int64_t n = 0;
    for (const std::string& x : s)
        n += static_cast<std::int64_t>(x.size()) + 1;
    return n;
}

void BM_TokenizeTagParse(benchmark::State& state) {
    const auto grammar =
        Grammar::load(*qm::makeRealFileSystem(),
                      QM_SOURCE_DIR "/data/grammar/" + std::string(Grammar::kModelFileName));
    const auto& text = corpusSentences();
    Sentence words;
    std::size_t parsed = 0;
    for (auto _ : state) {
        for (const std::string& s : text)
            parsed += grammar->parse(s, words);
        benchmark::DoNotOptimize(words.data());
    }
    state.SetBytesProcessed(state.iterations() * bytesOf(text));
    state.counters["sentences"] = static_cast<double>(text.size());
    state.counters["parsed"] =
        static_cast<double>(parsed) / static_cast<double>(state.iterations());
}

// The floor: the tokenizer alone over the same sentences.
void BM_TokenizeFloor(benchmark::State& state) {
    const auto& text = corpusSentences();
    Sentence words;
    for (auto _ : state) {
        for (const std::string& s : text)
            qm::grammar::tokenize(s, words);
        benchmark::DoNotOptimize(words.data());
    }
    state.SetBytesProcessed(state.iterations() * bytesOf(text));
}

} // namespace

BENCHMARK(BM_TokenizeTagParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeFloor)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
