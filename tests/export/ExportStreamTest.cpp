// Exports stream their bytes to the file: the PDF's structure kept apart from its streams'
// data however the writer's pieces fall, the links' update placed by the file's offsets, and a
// cancel or failed write part-way leaving no file and the old one as it was.
#include "core/base/Error.h"
#include "core/export/Export.h"
#include "core/export/PdfOutput.h"
#include "core/export/ZipWriter.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace qm {
namespace {

using exporting::PdfOutput;

// Stream data a page writer might produce: keywords of its own, line ends, binary bytes and a
// keyword's first letters.
const std::vector<std::string> kPageData = {
    std::string("BT (a stream\n of words) Tj ET endstrea") + '\0' + "\xff\x80stream\r\nx",
    std::string(300, '\x9c') + "endstrea",
    "q 1 0 0 1 0 0 cm Q",
};

struct SmallPdf {
    std::string bytes;
    std::vector<std::size_t> objects; // the offset of object n + 1
    std::size_t xref = 0;
};

// A PDF laid out as a page writer lays it out: a catalogue, the pages node, and each page
// with its contents stream after it.
SmallPdf smallPdf() {
    std::vector<std::string> bodies = {"<<\n/Type /Catalog\n/Pages 2 0 R\n>>", ""};
    std::string kids;
    for (std::size_t p = 0; p < kPageData.size(); ++p) {
        const std::string page = std::to_string(bodies.size() + 1);
        kids += page + " 0 R ";
        bodies.push_back("<<\n/Type /Page\n/Parent 2 0 R\n/Contents " +
                         std::to_string(bodies.size() + 2) + " 0 R\n>>");
        bodies.push_back("<<\n/Length " + std::to_string(kPageData[p].size()) + "\n>>\nstream\n" +
                         kPageData[p] + "\nendstream");
    }
    bodies[1] = "<<\n/Type /Pages\n/Kids [" + kids + "]\n/Count " +
                std::to_string(kPageData.size()) + "\n>>";
    SmallPdf pdf;
    pdf.bytes = "%PDF-1.4\n";
    for (std::size_t n = 0; n < bodies.size(); ++n) {
        pdf.objects.push_back(pdf.bytes.size());
        pdf.bytes += std::to_string(n + 1) + " 0 obj\n" + bodies[n] + "\nendobj\n";
    }
    pdf.xref = pdf.bytes.size();
    pdf.bytes += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (const std::size_t offset : pdf.objects) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf.bytes += entry;
    }
    pdf.bytes += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) +
                 " /Root 1 0 R >>\nstartxref\n" + std::to_string(pdf.xref) + "\n%%EOF\n";
    return pdf;
}

TEST(PdfOutput, KeepsTheStructureAndNotTheStreamsHoweverThePiecesFall) {
    const SmallPdf pdf = smallPdf();
    std::string keptWhole;
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{8}, std::size_t{9},
          std::size_t{10}, std::size_t{64}, pdf.bytes.size()}) {
        SCOPED_TRACE(piece);
        std::string passed;
        PdfOutput out([&passed](std::string_view bytes) { passed.append(bytes); });
        for (std::size_t at = 0; at < pdf.bytes.size(); at += piece)
            out.write(std::string_view(pdf.bytes).substr(at, piece));
        EXPECT_EQ(passed, pdf.bytes);
        EXPECT_EQ(out.size(), pdf.bytes.size());
        // The pages' tree stays; the streams, their data and their dictionaries, do not.
        EXPECT_NE(out.kept().find("/Kids [3 0 R 5 0 R 7 0 R ]"), std::string::npos);
        EXPECT_NE(out.kept().find("/Contents 8 0 R"), std::string::npos);
        EXPECT_NE(out.kept().find("trailer\n<< /Size 9 /Root 1 0 R >>"), std::string::npos);
        EXPECT_EQ(out.kept().find("stream"), std::string::npos);
        EXPECT_EQ(out.kept().find("/Length"), std::string::npos);
        EXPECT_EQ(out.kept().find('\xff'), std::string::npos);
        for (std::size_t n = 0; n < pdf.objects.size(); ++n) {
            const std::size_t at = out.keptOffset(pdf.objects[n]);
            ASSERT_NE(at, std::string::npos) << "object " << n + 1;
            EXPECT_TRUE(out.kept().substr(at).starts_with(std::to_string(n + 1) + " 0 obj\n"));
        }
        // A byte of a stream's data has no place in what is kept.
        EXPECT_EQ(out.keptOffset(pdf.bytes.find("BT (a stream")), std::string::npos);
        EXPECT_EQ(out.keptOffset(pdf.bytes.find("/Length")), std::string::npos);
        EXPECT_EQ(out.keptOffset(pdf.bytes.size()), std::string::npos);
        if (keptWhole.empty()) keptWhole = out.kept();
        EXPECT_EQ(out.kept(), keptWhole);
    }
}

// The offset of object `n` as the last cross-reference section of `pdf` gives it.
std::size_t updatedOffset(const std::string& pdf, long long n) {
    const std::string key = "\n" + std::to_string(n) + " 1\n";
    const std::size_t at = pdf.rfind(key);
    return at == std::string::npos ? std::string::npos
                                   : std::stoul(pdf.substr(at + key.size(), 10));
}

TEST(PdfOutput, LinksAreAddedAfterTheFileAtItsOwnOffsets) {
    const SmallPdf pdf = smallPdf();
    // The first page links to the last; the second to the first.
    const std::vector<exporting::PdfLink> links = {{0, 1, 2, 3, 4, 2}, {1, 5, 6, 7, 8, 0}};
    std::string file;
    PdfOutput out([&file](std::string_view bytes) { file.append(bytes); });
    for (std::size_t at = 0; at < pdf.bytes.size(); at += 7)
        out.write(std::string_view(pdf.bytes).substr(at, 7));
    const std::string update = exporting::pdfLinkUpdate(out, links);
    EXPECT_EQ(file + update, exporting::addPdfLinks(pdf.bytes, links));
    file += update;
    // Objects 1 to 8 were there; the links are 9 and 10, the first two pages written again.
    for (const long long n : {3LL, 5LL, 9LL, 10LL}) {
        const std::size_t offset = updatedOffset(file, n);
        ASSERT_LT(offset, file.size()) << n;
        EXPECT_EQ(file.compare(offset, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"),
                  0)
            << n;
    }
    EXPECT_NE(update.find("/Annots [ 9 0 R ]"), std::string::npos);
    EXPECT_NE(update.find("/Dest [7 0 R /Fit]"), std::string::npos);
    EXPECT_NE(update.find("/Prev " + std::to_string(pdf.xref) + " "), std::string::npos);
    const std::size_t start = update.rfind("startxref\n");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(file.compare(std::stoul(update.substr(start + 10)), 5, "xref\n"), 0);
}

TEST(ZipWriter, HandsTheArchiveOutInPiecesAndEachEntryIsMadeOnce) {
    exporting::ZipWriter zip;
    std::vector<std::string> made;
    std::string noise(300000, '\0');
    unsigned x = 12345;
    for (char& c : noise)
        c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24); // does not deflate
    for (const std::string name : {"a", "b", "c"})
        zip.add(name, [&made, &noise, name] {
            made.push_back(name);
            return noise;
        });
    std::vector<std::size_t> pieces;
    std::string archive;
    zip.finish([&](std::string_view piece) {
        pieces.push_back(piece.size());
        archive.append(piece);
    });
    EXPECT_EQ(made, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_GT(archive.size(), 3 * noise.size());
    EXPECT_GT(pieces.size(), 1u);
    for (const std::size_t size : pieces)
        EXPECT_LE(size, std::size_t{64} << 10);
}

// A stored text file is read in pieces, each line converted when the file is UTF-8, trailing
// blank lines dropped: as a whole-file read splits and converts it.
TEST(ExportStream, StoredTextReadInPiecesGivesTheLinesOfTheWholeFile) {
    const std::string longLine = "l03" + std::string(70000, 'w') + " ";
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"banner\r\nl00caf\xE9 \r\n\r\n  \r\n", {"banner", "l00caf\xE9 "}}, // single-byte
        {"\xEF\xBB\xBF"
         "banner\nl00caf\xC3\xA9 \n",
         {"banner", "l00caf\xE9 "}},                                        // UTF-8, BOM
        {"banner\rl00one\rp001 \r", {"banner", "l00one", "p001 "}},         // CR alone
        {"banner\r\n" + longLine + "\r\nEND", {"banner", longLine, "END"}}, // over a piece
        {"\r\n \r\n", {}},                                                  // blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 20));
        MemoryFileSystem fs;
        fs.addFolder("/books");
        fs.writeFile("/books/text.tvt", c.bytes);
        const LineBuffer lines = exporting::storedTextLines(fs, "/books/text.tvt", ".toc", nullptr);
        EXPECT_EQ(lines.toLines(), c.lines);
    }
    MemoryFileSystem fs;
    EXPECT_THROW(exporting::storedTextLines(fs, "/books/absent.tvt", ".toc", nullptr), UserError);
}

// A page document that writes a line per page and counts the pages.
class LinePages final : public exporting::PageDocument {
public:
    LinePages(exporting::PdfOutput& out, std::size_t& pages)
        : m_out(out)
        , m_pages(pages) {
        m_out.write("%PDF-1.4\n");
    }
    Surface& surface() override { return m_surface; }
    double unitsPerPoint() const override { return 1.0; }
    void newPage() override {
        m_out.write("page\n");
        ++m_pages;
    }
    void finish() override { m_out.write("%%EOF\n"); }

private:
    exporting::PdfOutput& m_out;
    std::size_t& m_pages;
    FakeSurface m_surface{300, 90};
};

// A book of many pages and chapters; for a PDF, with no contents to link (the page document
// writes no PDF the links could be added to).
exporting::ExportBook longBook(bool pdf) {
    exporting::ExportBook book;
    book.lines = {"A long book, by Some One"};
    for (int chapter = 1; chapter <= 6; ++chapter) {
        book.lines.push_back("l00|refpt00" + std::to_string(chapter) + "> ");
        for (int line = 0; line < 40; ++line)
            book.lines.push_back("l02a phrase of chapter " + std::to_string(chapter) + " ");
    }
    book.lines.push_back("END");
    book.title = "Long";
    if (pdf) book.chapters = {{"nowhere", "refpt999", 0}};
    return book;
}

TEST(ExportStream, CancelOrAFailedWriteLeavesNoFileAndTheOldOneAsItWas) {
    using Fault = MemoryFileSystem::Fault;
    struct Case {
        const char* path;
        Fault fault;
        bool cancel; // part-way, once the first pages or chapters are written
        bool fails;
    };
    const Case cases[] = {
        {"/out/book.epub", Fault::None, false, false},
        {"/out/book.epub", Fault::None, true, true},
        {"/out/book.epub", Fault::WriteFails, false, true},
        {"/out/book.epub", Fault::RenameFails, false, true},
        {"/out/book.pdf", Fault::None, false, false},
        {"/out/book.pdf", Fault::None, true, true},
        {"/out/book.pdf", Fault::CannotCreate, false, true},
        {"/out/book.pdf", Fault::WriteFails, false, true},
        {"/out/book.pdf", Fault::RenameFails, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " fault " + std::to_string(static_cast<int>(c.fault)) +
                     (c.cancel ? " cancelled" : ""));
        MemoryFileSystem fs;
        fs.addFolder("/out");
        fs.writeFile(c.path, "old");
        fs.failNextWrite(c.fault);
        std::atomic<bool> cancel{false};
        library::Progress progress;
        progress.cancel = &cancel;
        progress.report = [&](double done) {
            if (c.cancel && done > 0) cancel.store(true);
        };
        std::size_t pages = 0;
        auto makePdf = [&pages](exporting::PageSize, const exporting::ExportBook&, PdfOutput& out) {
            return std::make_unique<LinePages>(out, pages);
        };
        const bool pdf = std::string_view(c.path).ends_with(".pdf");
        bool threw = false;
        try {
            exporting::exportBook(fs, longBook(pdf), {c.path, exporting::PageSize::A4, false},
                                  makePdf, progress);
        } catch (const UserError& e) {
            threw = true;
            EXPECT_FALSE(c.cancel) << e.what();
            EXPECT_NE(std::string(e.what()).find("no file was left behind"), std::string::npos);
        } catch (const library::OpenCancelled&) {
            threw = true;
            EXPECT_TRUE(c.cancel);
        }
        EXPECT_EQ(threw, c.fails);
        // A cancelled PDF stopped part-way, after pages had gone to the file.
        if (pdf && c.cancel) {
            EXPECT_GT(pages, 16u);
        }
        if (pdf && !c.fails) {
            EXPECT_GT(pages, 40u);
        }
        EXPECT_EQ(fs.files().size(), 1u); // no temporary left beside it
        const std::string now = fs.readFile(c.path).value_or("");
        if (c.fails) {
            EXPECT_EQ(now, "old");
        } else if (pdf) {
            // Every page went to the file as it was drawn, the first needing no call.
            EXPECT_TRUE(now.starts_with("%PDF-1.4\npage\npage\n")) << now.substr(0, 40);
            EXPECT_TRUE(now.ends_with("page\n%%EOF\n"));
        } else {
            EXPECT_TRUE(now.starts_with("PK")) << now.substr(0, 10);
        }
    }
}

} // namespace
} // namespace qm
