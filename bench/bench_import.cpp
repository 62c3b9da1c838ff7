// Reading books: a 785 KB UTF-8 novel with its distributor's frame, contents list and chapters
// (the corpus's novels put together), as plain text and as an EPUB built here from it, each
// beside its floor: decoding the text alone, unzipping the EPUB's entries alone. Also the
// novel's text converted to the page's single-byte form, beside copying it; and a book whose
// title is a million characters, and a million-character run converted whole, each beside
// copying its bytes.
//
// Peak memory is measured in a process of its own:  bench_import --peak=text  or
// bench_import --peak=epub  prints the growth of the maximum resident size while reading,
// and its ratio to the book's text.
#include "core/encoding/Decode.h"
#include "core/encoding/Windows1252.h"
#include "core/import/BookReader.h"
#include "core/import/PlainTextBook.h"
#include "core/import/ZipArchive.h"
#include "support/Novel.h"
#include "support/Peak.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using qmbench::novel;
using qmbench::novelEpub;
using qmbench::resetPeak;
using qmbench::statusKb;

bool haveCorpus(benchmark::State& state) {
    if (!novel().empty()) return true;
    state.SkipWithError("../shared/corpus/frankenstein.txt or pride-and-prejudice.txt is absent");
    return false;
}

void BM_ReadNovelText(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        qm::cascade::Document doc = qm::import::readBook("novel.txt", novel());
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * novel().size()));
}
BENCHMARK(BM_ReadNovelText)->Unit(benchmark::kMillisecond);

// The floor: decoding the same bytes to UTF-8, as any reader of the file must.
void BM_DecodeNovelFloor(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        std::string utf8 = qm::encoding::decodeToUtf8(novel());
        benchmark::DoNotOptimize(utf8.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * novel().size()));
}
BENCHMARK(BM_DecodeNovelFloor)->Unit(benchmark::kMillisecond);

void BM_ReadNovelEpub(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    for (auto _ : state) {
        qm::cascade::Document doc = qm::import::readBook("novel.epub", novelEpub());
        benchmark::DoNotOptimize(doc);
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
    const std::string utf8 = qm::encoding::decodeToUtf8(novel());
    for (auto _ : state) {
        std::string page = qm::encoding::utf8ToWindows1252(utf8);
        benchmark::DoNotOptimize(page.data());
    }
}
BENCHMARK(BM_PageFormOfNovel)->Unit(benchmark::kMillisecond);

void BM_CopyNovelFloor(benchmark::State& state) {
    if (!haveCorpus(state)) return;
    const std::string utf8 = qm::encoding::decodeToUtf8(novel());
    for (auto _ : state) {
        std::string copy = utf8;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyNovelFloor)->Unit(benchmark::kMillisecond);

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// A title of 1,000,000 Chinese characters (3 MB) in an EPUB of a few kilobytes.
const std::string& longTitle() {
    static const std::string title = repeated("\xE4\xB8\xAD", 1000000);
    return title;
}

// The EPUB read and its title converted to the page's form, as the library lays it out
// (the title is kept to its cap); beside copying the title's bytes.
void BM_LongTitleEpub(benchmark::State& state) {
    static const std::string bytes = [] {
        qmtest::EpubBuilder epub;
        epub.title = longTitle();
        epub.chapter("c1.xhtml", "<h1>One</h1><p>Text.</p>");
        epub.entry("One", "c1.xhtml");
        return epub.bytes();
    }();
    for (auto _ : state) {
        const qm::cascade::Document doc = qm::import::readBook("long.epub", bytes);
        std::string page = qm::encoding::utf8ToWindows1252(doc.title);
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["epub_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_LongTitleEpub)->Unit(benchmark::kMillisecond);

void BM_CopyLongTitleFloor(benchmark::State& state) {
    for (auto _ : state) {
        std::string copy = longTitle();
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyLongTitleFloor)->Unit(benchmark::kMillisecond);

// A run of 1,000,000 Cyrillic characters with nothing the page holds between them (2 MB of
// UTF-8), converted to the page's form whole; beside copying it.
void BM_PageFormOfLongRun(benchmark::State& state) {
    const std::string run = repeated("\xD0\x96", 1000000);
    for (auto _ : state) {
        std::string page = qm::encoding::utf8ToWindows1252(run);
        benchmark::DoNotOptimize(page.data());
    }
}
BENCHMARK(BM_PageFormOfLongRun)->Unit(benchmark::kMillisecond);

void BM_CopyLongRunFloor(benchmark::State& state) {
    const std::string run = repeated("\xD0\x96", 1000000);
    for (auto _ : state) {
        std::string copy = run;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyLongRunFloor)->Unit(benchmark::kMillisecond);

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
