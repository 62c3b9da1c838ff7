// Exporting a book from the library: the 785 KB novel (the corpus's Frankenstein with Pride
// and Prejudice's chapters added, as bench_library opens it) to an EPUB and to an A4 PDF, each
// beside the floor of opening the same novel cold into the library. The EPUB's size is
// reported beside the stored text's deflated size (zlib at level 9, as gzip -9).
//   bench_export --peak=epub | --peak=pdf   the growth of the maximum resident size during
//   one export, above a reader that has the book open, and its ratio to the stored text.
//   bench_export --peak=pdf-page   the same for a text of one page: a PDF's cost whatever the
//   book (the writer's set-up, the fonts' subsets it embeds).
#include "core/export/Export.h"
#include "core/library/Library.h"
#include "core/port/FileSystem.h"
#include "core/testing/ShippedParser.h"
#include "support/DataFolder.h"
#include "support/Novel.h"
#include "support/Peak.h"
#include "ui/PdfPages.h"

#include <QByteArray>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

using qmbench::DataFolder;

struct Stored {
    DataFolder data{"export"};
    std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
    qm::library::Book book;
    std::size_t textBytes = 0;
};

// The novel opened into a library of its own; nothing when the corpus is absent.
Stored* stored() {
    static Stored* s = []() -> Stored* {
        if (qmbench::novel().empty()) return nullptr;
        auto* made = new Stored;
        made->book =
            qm::library::Library::withBookReaders(*made->fs, made->data.path(), qm::shippedParser())
                .open("novel.txt", qmbench::novel());
        made->textBytes = made->fs->readFile(made->book.files.text)->size();
        return made;
    }();
    return s;
}

bool haveNovel(benchmark::State& state) {
    if (stored()) return true;
    state.SkipWithError("../shared/corpus is absent: no novel to export");
    return false;
}

// The book read from the library and written to `path`, as File > Export does; or a text of
// one page.
void exportTo(const std::string& path, qm::exporting::PageSize size = qm::exporting::PageSize::A4,
              bool onePage = false) {
    Stored& s = *stored();
    qm::exporting::ExportBook book;
    if (onePage) {
        book.lines = {"One page, by Nobody", "l00|b>ONE PAGE|n> ", "l02a few words ", "END"};
        book.title = "One page";
    } else {
        book = qm::exporting::libraryExportBook(*s.fs, s.book);
    }
    qm::exporting::exportBook(*s.fs, std::move(book), {path, size, false}, qm::makePdfDocument);
}

void BM_ColdOpenFloor(benchmark::State& state) {
    if (!haveNovel(state)) return;
    const DataFolder data{"export"};
    const auto fs = qm::makeRealFileSystem();
    auto library = qm::library::Library::withBookReaders(*fs, data.path(), qm::shippedParser());
    for (auto _ : state) {
        state.PauseTiming();
        data.clearLibrary();
        state.ResumeTiming();
        benchmark::DoNotOptimize(library.open("novel.txt", qmbench::novel()).key.data());
    }
}
BENCHMARK(BM_ColdOpenFloor)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ExportEpub(benchmark::State& state) {
    if (!haveNovel(state)) return;
    const std::string path = stored()->data.path() + "novel.epub";
    for (auto _ : state)
        exportTo(path);
    const std::string epub = *stored()->fs->readFile(path);
    const std::string text = *stored()->fs->readFile(stored()->book.files.text);
    // qCompress is zlib's deflate at the level given, behind a four-byte length.
    const auto deflated = static_cast<double>(
        qCompress(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), 9)
            .size() -
        4);
    state.counters["epub_KB"] = static_cast<double>(epub.size()) / 1024.0;
    state.counters["text_KB"] = static_cast<double>(text.size()) / 1024.0;
    state.counters["text_deflated_KB"] = deflated / 1024.0;
    state.counters["epub_per_deflated"] = static_cast<double>(epub.size()) / deflated;
}
BENCHMARK(BM_ExportEpub)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ExportPdf(benchmark::State& state) {
    if (!haveNovel(state)) return;
    const std::string path = stored()->data.path() + "novel.pdf";
    for (auto _ : state)
        exportTo(path);
    state.counters["pdf_KB"] = static_cast<double>(stored()->fs->readFile(path)->size()) / 1024.0;
}
BENCHMARK(BM_ExportPdf)->Unit(benchmark::kMillisecond)->MinTime(2);

int measurePeak(const std::string& format) {
    if (!stored()) {
        std::printf("no book: the corpus is absent\n");
        return 1;
    }
    const bool onePage = format == "pdf-page";
    const std::string path = stored()->data.path() + "peak." + (onePage ? "pdf" : format);
    auto once = [&] { exportTo(path, qm::exporting::PageSize::A4, onePage); };
    once(); // the one-time set-up (fonts, libzip, code paged in) is not counted
    std::filesystem::remove(path);
    qmbench::resetPeak();
    const long idle = qmbench::statusKb("VmRSS");
    once();
    const double grownMb = static_cast<double>(qmbench::statusKb("VmHWM") - idle) / 1024.0;
    const double textMb = static_cast<double>(stored()->textBytes) / (1024.0 * 1024.0);
    std::printf("export to %s: stored text %.2f MB, peak resident growth %.2f MB (%.2fx the "
                "stored text)\n",
                format.c_str(), textMb, grownMb, grownMb / textMb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--peak=", 7) == 0) return measurePeak(argv[i] + 7);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
