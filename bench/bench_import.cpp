// Reading books: a 785 KB UTF-8 novel with its distributor's frame, contents list and chapters
// (the corpus's novels put together), as plain text and as an EPUB built here from it, each
// beside its floor: decoding the text alone, unzipping the EPUB's entries alone. Also the
// novel's text converted to the page's single-byte form, beside copying it.
//
// Peak memory is measured in a process of its own:  bench_import --peak=text  or
// bench_import --peak=epub  prints the growth of the maximum resident size while reading,
// and its ratio to the book's text.
#include "../tests/import/ImportTestSupport.h"
#include "core/import/BookReader.h"
#include "core/import/Encoding.h"
#include "core/import/PlainTextBook.h"
#include "core/import/ZipArchive.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kNovelBytes = 785u << 10;

// Frankenstein (UTF-8 with its frame) with Pride and Prejudice's chapters added before its
// end line, up to 785 KB; empty when the corpus is absent.
const std::string& novel() {
    static const std::string text = [] {
        const auto first = qmtest::corpusFile("frankenstein.txt");
        const auto second = qmtest::corpusFile("pride-and-prejudice.txt");
        if (!first || !second) return std::string();
        std::string body = *second;
        const std::size_t start = body.find("Chapter 1\r\n");
        const std::size_t end = body.find("*** END OF");
        if (start == std::string::npos || end == std::string::npos) return std::string();
        body = body.substr(start, end - start);
        std::string out = *first;
        const std::size_t at = out.find("End of the Project");
        if (at == std::string::npos) return std::string();
        const std::size_t room = kNovelBytes > out.size() ? kNovelBytes - out.size() : 0;
        std::string added = body.substr(0, std::min(room, body.size()));
        added.resize(added.rfind("\r\n\r\n") + 4);
        out.insert(at, added);
        return out;
    }();
    return text;
}

// Block text as XHTML: the style tags as <i> and <b>, markup characters escaped.
std::string escaped(std::string_view s) {
    std::string out;
    const char* open = nullptr;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("|i>") || rest.starts_with("|b>") || rest.starts_with("|n>")) {
            if (open) out += open;
            open = nullptr;
            if (rest[1] == 'i') out += "<i>", open = "</i>";
            if (rest[1] == 'b') out += "<b>", open = "</b>";
            i += 2;
        } else if (s[i] == '&') {
            out += "&amp;";
        } else if (s[i] == '<') {
            out += "&lt;";
        } else if (s[i] == '>') {
            out += "&gt;";
        } else {
            out += s[i];
        }
    }
    if (open) out += open;
    return out;
}

// The novel as an EPUB 3: one XHTML file per chapter, a navigation document naming them.
const std::string& novelEpub() {
    static const std::string bytes = [] {
        if (novel().empty()) return std::string();
        const qm::cascade::Document doc =
            qm::import::readPlainTextBook(qm::import::decodeToUtf8(novel()));
        qmtest::EpubBuilder epub;
        epub.title = escaped(doc.title);
        epub.author = escaped(doc.author);
        std::size_t from = 0;
        for (std::size_t c = 0; c <= doc.chapters.size(); ++c) {
            const std::size_t to =
                c < doc.chapters.size() ? doc.chapters[c].block : doc.blocks.size();
            std::string body;
            for (std::size_t b = from; b < to; ++b) {
                const auto& block = doc.blocks[b];
                const std::string text = escaped(block.text);
                switch (block.kind) {
                case qm::cascade::BlockKind::Heading:
                    body += "<h2>" + text + "</h2>\n";
                    break;
                case qm::cascade::BlockKind::Verbatim:
                    body += "<pre>" + text + "</pre>\n";
                    break;
                case qm::cascade::BlockKind::SceneBreak:
                    body += "<hr/>\n";
                    break;
                default:
                    body += "<p>" + text + "</p>\n";
                }
            }
            const std::string file = "text/part" + std::to_string(c) + ".xhtml";
            epub.chapter(file, body);
            if (c > 0) epub.entry(escaped(doc.chapters[c - 1].title), file);
            from = to;
        }
        return epub.bytes();
    }();
    return bytes;
}

bool haveCorpus(benchmark::State& state) {
    if (!novel().empty()) return true;
    state.SkipWithError("../shared/corpus/frankenstein.txt or pride-and-prejudice.txt is absent");
    return false;
}

void BM_ReadNovelText(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        qm::cascade::Document doc = qm::import::readBook("novel.txt", novel());
        benchmark::DoNotOptimize(doc.blocks.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * novel().size()));
}
BENCHMARK(BM_ReadNovelText)->Unit(benchmark::kMillisecond);

// The floor: decoding the same bytes to UTF-8, as any reader of the file must.
void BM_DecodeNovelFloor(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        std::string utf8 = qm::import::decodeToUtf8(novel());
        benchmark::DoNotOptimize(utf8.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * novel().size()));
}
BENCHMARK(BM_DecodeNovelFloor)->Unit(benchmark::kMillisecond);

void BM_ReadNovelEpub(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        qm::cascade::Document doc = qm::import::readBook("novel.epub", novelEpub());
        benchmark::DoNotOptimize(doc.blocks.data());
    }
    state.counters["epub_kb"] = static_cast<double>(novelEpub().size()) / 1024.0;
}
BENCHMARK(BM_ReadNovelEpub)->Unit(benchmark::kMillisecond);

// The floor: inflating every entry of the same archive, as any reader of it must.
void BM_UnzipNovelEpubFloor(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    std::vector<std::string> names{"META-INF/container.xml", "OEBPS/content.opf",
                                   "OEBPS/nav.xhtml"};
    for (std::size_t c = 0;; ++c) {
        const std::string name = "OEBPS/text/part" + std::to_string(c) + ".xhtml";
        if (!qm::import::ZipArchive(novelEpub()).contains(name)) break;
        names.push_back(name);
    }
    for (auto _ : state) {
        qm::import::ZipArchive zip(novelEpub());
        std::size_t total = 0;
        for (const std::string& n : names)
            total += zip.read(n).size();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_UnzipNovelEpubFloor)->Unit(benchmark::kMillisecond);

// The page's single-byte form of the novel's text, beside copying it.
void BM_PageFormOfNovel(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    const std::string utf8 = qm::import::decodeToUtf8(novel());
    for (auto _ : state) {
        std::string page = qm::import::utf8ToWindows1252(utf8);
        benchmark::DoNotOptimize(page.data());
    }
}
BENCHMARK(BM_PageFormOfNovel)->Unit(benchmark::kMillisecond);

void BM_CopyNovelFloor(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    const std::string utf8 = qm::import::decodeToUtf8(novel());
    for (auto _ : state) {
        std::string copy = utf8;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyNovelFloor)->Unit(benchmark::kMillisecond);

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}

// Resets the resident high-water mark to the present size, so that the setup's own peak
// (reading the corpus, building the EPUB) does not hide the reader's.
void resetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

int measurePeak(const char* what) {
    const bool epub = std::strcmp(what, "epub") == 0;
    const std::string& bytes = epub ? novelEpub() : novel();
    if (bytes.empty()) {
        std::printf("the corpus is absent\n");
        return 0;
    }
    resetPeak();
    const long idle = statusKb("VmRSS");
    const qm::cascade::Document doc = qm::import::readBook(epub ? "n.epub" : "n.txt", bytes);
    std::size_t text = 0;
    for (const auto& b : doc.blocks)
        text += b.text.size();
    const double grownMb = static_cast<double>(statusKb("VmHWM") - idle) / 1024.0;
    const double textMb = static_cast<double>(text) / (1024.0 * 1024.0);
    std::printf("%s: file %.2f MB, text %.2f MB, %zu blocks, %zu chapters, peak resident growth "
                "%.2f MB (%.2fx the text)\n",
                what, static_cast<double>(bytes.size()) / (1024.0 * 1024.0), textMb,
                doc.blocks.size(), doc.chapters.size(), grownMb, grownMb / textMb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--peak=", 7) == 0) return measurePeak(argv[i] + 7);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
