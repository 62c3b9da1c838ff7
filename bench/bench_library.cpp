// Opening a book into the library cold (read the book file's structure, cascade, convert,
// index, write the one-book collection) and reopening it from the library, each beside the
// floor of opening its stored text as the reader does.
//
// The book is the 785 KB UTF-8 novel the import benchmark reads (the corpus's Frankenstein,
// with its distributor's frame, and Pride and Prejudice's chapters added before its end line),
// or, without the corpus, the built-in stories' prose repeated to that size with typographic
// quotes. Peak memory of a cold open is measured in a process of its own:
//   bench_library --peak=cold   prints the growth of the maximum resident size and its ratio
//   to the book's text; --peak=cold=epub does so for the novel's EPUB and --peak=cold=FILE for
//   any book file; --peak=shapes[=MB[:NAME]] for books of the costliest shapes (one-word
//   paragraphs, one huge paragraph, long words, many chapters, tiny HTML blocks, 25 MB each by
//   default or MB each (0.25: a quarter), a line without blanks eight times that, and a line
//   of random letters), or only those whose names begin with NAME.
#include "core/import/BookReader.h"
#include "core/index/WordIndex.h"
#include "core/library/Library.h"
#include "core/port/FileSystem.h"
#include "core/shell/CollectionText.h"
#include "core/testing/ShippedParser.h"
#include "support/DataFolder.h"
#include "support/Novel.h"
#include "support/Peak.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kBookBytes = 785 * 1024;

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

// Straight quotes become curly ones and apostrophes typographic, as in most books today.
std::string typographic(const std::string& ascii) {
    std::string out;
    out.reserve(ascii.size() + ascii.size() / 10);
    bool open = true;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        const char c = ascii[i];
        if (c == '"') {
            out += open ? "\xE2\x80\x9C" : "\xE2\x80\x9D";
            open = !open;
        } else if (c == '\'' && i > 0 && std::isalpha(static_cast<unsigned char>(ascii[i - 1]))) {
            out += "\xE2\x80\x99";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

struct BookFile {
    std::string name;
    std::string bytes;
};

const BookFile& book() {
    static const BookFile b = [] {
        if (!qmbench::novel().empty()) return BookFile{"novel.txt", qmbench::novel()};
        std::fprintf(stderr, "%s/corpus missing: using the built-in stories' prose\n",
                     QM_SHARED_DIR);
        std::string prose;
        for (const char* s : {"01-little-match-seller.txt", "02-brave-tin-soldier.txt",
                              "03-nightingale.txt", "04-snow-queen.txt"})
            prose += readWhole(std::string(QM_SOURCE_DIR) + "/book/src/" + s) + "\n\n";
        std::string text;
        for (int chapter = 1; text.size() < kBookBytes; ++chapter)
            text += "CHAPTER " + std::to_string(chapter) + "\n\n" + prose;
        return BookFile{"stories.txt", typographic(text)};
    }();
    return b;
}

using qmbench::DataFolder;

void BM_OpenStoredTextFloor(benchmark::State& state) {
    const DataFolder data{"library"};
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path(), qm::shippedParser());
    const std::string text = library.open(book().name, book().bytes).files.text;
    for (auto _ : state) {
        const qm::Lines lines = qm::openedTextLines(*fs, text, qm::shippedParser());
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_OpenStoredTextFloor)->Unit(benchmark::kMillisecond)->MinTime(2);

// Reading, laying out and storing the book anew on each iteration.
void coldOpen(benchmark::State& state, const BookFile& b) {
    const DataFolder data{"library"};
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path(), qm::shippedParser());
    for (auto _ : state) {
        state.PauseTiming();
        data.clearLibrary();
        state.ResumeTiming();
        const qm::library::Book opened = library.open(b.name, b.bytes);
        if (!opened.laidOutNow) state.SkipWithError("the book was not laid out");
        benchmark::DoNotOptimize(opened.key.data());
    }
}

// Finding the book by its bytes' key, then opening its stored text as the reader does.
void reopen(benchmark::State& state, const BookFile& b) {
    const DataFolder data{"library"};
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path(), qm::shippedParser());
    library.open(b.name, b.bytes);
    for (auto _ : state) {
        const qm::library::Book found = library.open(b.name, b.bytes);
        if (found.laidOutNow) state.SkipWithError("the book was laid out again");
        const qm::Lines lines = qm::openedTextLines(*fs, found.files.text, qm::shippedParser());
        benchmark::DoNotOptimize(lines.data());
    }
}

// The same novel as an EPUB; nothing when the corpus is absent.
const BookFile& epub() {
    static const BookFile b{"novel.epub", qmbench::novelEpub()};
    return b;
}

bool haveEpub(benchmark::State& state) {
    if (!epub().bytes.empty()) return true;
    state.SkipWithError("../shared/corpus is absent: no EPUB of the novel");
    return false;
}

void BM_ColdOpen(benchmark::State& state) {
    coldOpen(state, book());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_ColdOpen)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_Reopen(benchmark::State& state) {
    reopen(state, book());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_Reopen)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ColdOpenEpub(benchmark::State& state) {
    if (haveEpub(state)) coldOpen(state, epub());
}
BENCHMARK(BM_ColdOpenEpub)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ReopenEpub(benchmark::State& state) {
    if (haveEpub(state)) reopen(state, epub());
}
BENCHMARK(BM_ReopenEpub)->Unit(benchmark::kMillisecond)->MinTime(2);

// The growth of the resident size over a cold open of `b` in a running reader, printed with
// its ratio to the book's text.
int measureCold(const BookFile& b, const BookFile& warmUpBook) {
    const DataFolder data{"library"};
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path(), qm::shippedParser());
    // A book opened first into a library of its own, so that the one-time set-up of the
    // readers and the converter (the grammar model, character data and code paged in on
    // first use) is not counted against it; what is measured is a cold open of the book in a
    // running reader.
    {
        const DataFolder warmUp{"library"};
        qm::library::Library::withBookReaders(*fs, warmUp.path(), qm::shippedParser())
            .open(warmUpBook.name, warmUpBook.bytes);
    }
    // The thread that makes the warm-up's renames durable waits a moment before it syncs and
    // ends; its ending pages in C library code a reader running for a while has long had in
    // memory. It is let end first, so that the measured open does not pay for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    // The book's text: what its readers take out of the file (an EPUB's is larger than the
    // compressed file).
    const std::size_t text = qm::import::readBook(b.name, b.bytes).blocks.textBytes();
    qmbench::resetPeak();
    const long idle = qmbench::statusKb("VmRSS");
    const qm::library::Book opened = library.open(b.name, b.bytes);
    const double grownMb = static_cast<double>(qmbench::statusKb("VmHWM") - idle) / 1024.0;
    const double textMb = static_cast<double>(text) / (1024.0 * 1024.0);
    std::printf("cold open of %s: file %.2f MB, text %.2f MB, %s, peak resident growth %.2f MB "
                "(%.2fx the book's text)\n",
                b.name.c_str(), static_cast<double>(b.bytes.size()) / (1024.0 * 1024.0), textMb,
                opened.laidOutNow ? "laid out" : "found", grownMb, grownMb / textMb);
    std::fflush(stdout);
    return 0;
}

// The novel, its EPUB (what = "epub") or any book file named by its path.
int measurePeak(const std::string& what) {
    BookFile named;
    if (what == "epub") {
        named = epub();
    } else if (!what.empty()) {
        named = {std::filesystem::path(what).filename().string(), readWhole(what)};
    }
    const BookFile& b = what.empty() ? book() : named;
    if (b.bytes.empty()) {
        std::printf("no book: %s\n", what.empty() ? "the corpus is absent" : what.c_str());
        return 1;
    }
    return measureCold(b, b);
}

// `unit` repeated to `bytes` bytes at most.
std::string repeated(std::string_view unit, std::size_t bytes) {
    std::string out;
    out.reserve(bytes);
    while (out.size() + unit.size() <= bytes)
        out += unit;
    return out;
}

// Books of the shapes that cost most per byte, `mb` megabytes each (the line without blanks
// eight times that), each opened cold in a process of its own; with `only` not empty, just
// the shapes whose names begin with it.
int measureShapes(double mb, std::string_view only) {
    const auto size = static_cast<std::size_t>(mb * 1024.0 * 1024.0);
    using Make = std::function<std::string()>;
    const std::vector<std::pair<std::string, Make>> shapes = {
        {"one-word-paragraphs.txt", [&] { return repeated("word\n\n", size); }},
        {"one-line-paragraphs.txt",
         [&] { return repeated("The cat sat on the mat and looked at the dog.\n\n", size); }},
        {"one-paragraph.txt",
         [&] { return repeated("the wind rose over the grey hill, and the little boat went "
                               "home.\n", size); }},
        {"long-words.txt",
         [&] { return repeated(std::string(5000, 'a') + " " + std::string(5000, 'b') + "\n\n",
                               size); }},
        {"many-chapters.txt",
         [&] {
             std::string s;
             for (int c = 1; s.size() < size; ++c)
                 s += "CHAPTER " + std::to_string(c) + "\n\nIt was a dark night.\n\n";
             return s;
         }},
        {"tiny-blocks.htm",
         [&] { return "<html><body>\n" + repeated("<p>word</p>\n", size) + "</body></html>\n"; }},
        {"line-without-blanks.txt",
         [&] { return repeated("abcdefghijklmnopqrstuvwxyz", 8 * size); }},
        {"random-letters.txt",
         [&] {
             // Every piece of the line a distinct word: the most the index and the names
             // learnt can hold per byte.
             std::string s(size, 'a');
             std::uint32_t x = 12345;
             for (char& c : s) {
                 x = x * 1664525u + 1013904223u;
                 c = static_cast<char>('a' + (x >> 16) % 26);
             }
             return s;
         }},
    };
    int failed = 0;
    for (const auto& [name, make] : shapes) {
        if (!name.starts_with(only)) continue;
        const pid_t child = ::fork();
        if (child == 0) {
            const BookFile shape{name, make()};
            std::_Exit(measureCold(shape, book()));
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::printf("%s: the measuring process failed\n", name.c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--peak=cold") == 0) return measurePeak({});
        if (std::strncmp(argv[i], "--peak=cold=", 12) == 0) return measurePeak(argv[i] + 12);
        if (std::strcmp(argv[i], "--peak=shapes") == 0) return measureShapes(25, {});
        if (std::strncmp(argv[i], "--peak=shapes=", 14) == 0) {
            // MB[:NAME]: the size of each book (0.25 for a quarter of a megabyte), and only
            // the shapes whose names begin with NAME.
            char* end = nullptr;
            const double mb = std::strtod(argv[i] + 14, &end);
            const std::string_view only = *end == ':' ? std::string_view(end + 1) : "";
            return measureShapes(mb >= 0.01 && mb <= 4096 ? mb : 25, only);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
