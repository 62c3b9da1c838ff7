// Opening a book into the library cold (read the book file's structure, cascade, convert,
// index, write the one-book collection) and reopening it from the library, each beside the
// floor of opening its stored text as the reader does.
//
// The book is the 785 KB UTF-8 novel the import benchmark reads (the corpus's Frankenstein,
// with its distributor's frame, and Pride and Prejudice's chapters added before its end line),
// or, without the corpus, the built-in stories' prose repeated to that size with typographic
// quotes. Peak memory of a cold open is measured in a process of its own:
//   bench_library --peak=cold   prints the growth of the maximum resident size and its ratio
//   to the book's text.
#include "core/index/WordIndex.h"
#include "core/library/Library.h"
#include "core/port/FileSystem.h"
#include "core/shell/CollectionText.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

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

// The import benchmark's novel; empty when the corpus is absent.
std::string corpusNovel() {
    const std::string folder = std::string(QM_SHARED_DIR) + "/corpus/";
    if (!std::filesystem::exists(folder + "frankenstein.txt") ||
        !std::filesystem::exists(folder + "pride-and-prejudice.txt"))
        return {};
    std::string body = readWhole(folder + "pride-and-prejudice.txt");
    const std::size_t start = body.find("Chapter 1\r\n");
    const std::size_t end = body.find("*** END OF");
    if (start == std::string::npos || end == std::string::npos) return {};
    body = body.substr(start, end - start);
    std::string out = readWhole(folder + "frankenstein.txt");
    const std::size_t at = out.find("End of the Project");
    if (at == std::string::npos) return {};
    const std::size_t room = kBookBytes > out.size() ? kBookBytes - out.size() : 0;
    std::string added = body.substr(0, std::min(room, body.size()));
    added.resize(added.rfind("\r\n\r\n") + 4);
    out.insert(at, added);
    return out;
}

const BookFile& book() {
    static const BookFile b = [] {
        std::string novel = corpusNovel();
        if (!novel.empty()) return BookFile{"novel.txt", std::move(novel)};
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

class DataFolder {
public:
    DataFolder() {
        char pattern[] = "/tmp/qm-bench-library-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        m_path = std::string(pattern) + "/";
    }
    ~DataFolder() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }
    void clearLibrary() const { std::filesystem::remove_all(m_path + "library"); }

private:
    std::string m_path;
};

void BM_OpenStoredTextFloor(benchmark::State& state) {
    const DataFolder data;
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path());
    const std::string text = library.open(book().name, book().bytes).files.text;
    for (auto _ : state) {
        const qm::Lines lines = qm::openedTextLines(*fs, text);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_OpenStoredTextFloor)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ColdOpen(benchmark::State& state) {
    const DataFolder data;
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path());
    for (auto _ : state) {
        state.PauseTiming();
        data.clearLibrary();
        state.ResumeTiming();
        const qm::library::Book b = library.open(book().name, book().bytes);
        if (!b.laidOutNow) state.SkipWithError("the book was not laid out");
        benchmark::DoNotOptimize(b.key.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_ColdOpen)->Unit(benchmark::kMillisecond)->MinTime(2);

// Finding the book by its bytes' key, then opening its stored text as the reader does.
void BM_Reopen(benchmark::State& state) {
    const DataFolder data;
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path());
    library.open(book().name, book().bytes);
    for (auto _ : state) {
        const qm::library::Book b = library.open(book().name, book().bytes);
        if (b.laidOutNow) state.SkipWithError("the book was laid out again");
        const qm::Lines lines = qm::openedTextLines(*fs, b.files.text);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book().bytes.size()));
}
BENCHMARK(BM_Reopen)->Unit(benchmark::kMillisecond)->MinTime(2);

long maxResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int measurePeak() {
    const BookFile& b = book();
    const DataFolder data;
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path());
    // A small book first, so the readers' and converter's one-time set-up (character data,
    // the transliterator, the lexicon) is not counted against this book.
    library.open("warm-up.txt", "CHAPTER 1\n\n\xE2\x80\x9C"
                                "A short book,\xE2\x80\x9D she said.\n");
    const long idle = maxResidentKb();
    const qm::library::Book opened = library.open(b.name, b.bytes);
    const double grownMb = static_cast<double>(maxResidentKb() - idle) / 1024.0;
    const double bookMb = static_cast<double>(b.bytes.size()) / (1024.0 * 1024.0);
    std::printf("cold open of %s: book %.2f MB, %s, peak resident growth %.1f MB (%.2fx the "
                "book's text)\n",
                b.name.c_str(), bookMb, opened.laidOutNow ? "laid out" : "found", grownMb,
                grownMb / bookMb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--peak=cold") == 0) return measurePeak();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
