// prtcol: prints a text as one tall column, the companion of the reader's Print Column button.
//
//   prtcol [--pdf OUT.pdf] TEXT
//
// The text is opened as the reader opens it (its built-in source for a key that has one, the
// file otherwise), and its display lines are printed as "Save Screen as Text File" writes them:
// tags removed, paragraph and section markers and image lines left out, the indentation kept.
// Reference-point lines print as the empty rows the reading page shows. Without --pdf the
// platform's print dialog chooses the printer; with it the column goes to a PDF file and no
// dialog is shown (and no display is needed).
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/GrammarParser.h"
#include "core/output/SaveScreen.h"
#include "core/port/FileSystem.h"
#include "core/shell/CollectionText.h"
#include "core/text/BuiltInTexts.h"
#include "ui/Cp1252.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

struct Options {
    std::optional<std::string> pdf;
    std::string text;
};

// Paths stay the bytes they were given; none is ever passed through a shell.
std::optional<Options> parse(int argc, char** argv) {
    Options o;
    bool haveText = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pdf" && i + 1 < argc) {
            o.pdf = argv[++i];
        } else if (!haveText && (a.empty() || a[0] != '-' || a == "-")) {
            o.text = a;
            haveText = true;
        } else if (a == "--") {
            if (i + 1 < argc && !haveText) {
                o.text = argv[++i];
                haveText = true;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!haveText) return std::nullopt;
    return o;
}

// The lines of the column: every display line but the last (which is never shown).
qm::Lines columnLines(const qm::Lines& display) {
    qm::Lines out;
    std::string line;
    for (std::size_t i = 0; i + 1 < display.size(); ++i) {
        if (display[i].find("refp") != std::string::npos) {
            out.emplace_back();
        } else if (qm::saveScreenLine(display[i], line)) {
            out.push_back(std::move(line));
        }
    }
    return out;
}

// Draws the column down the left of each page, page after page, with the text's name and the
// page number in a line of small print at the foot.
bool printColumn(QPrinter& printer, const qm::Lines& lines, const QString& title) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QFont font(QStringLiteral("Liberation Serif"), 11);
    const QFont footFont(QStringLiteral("Liberation Sans"), 8);
    const QFontMetricsF fm(font, &printer);
    const QFontMetricsF footMetrics(footFont, &printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double width = page.width();
    const double bottom = page.height() - 2 * footMetrics.lineSpacing();
    const double step = fm.lineSpacing();

    int pageNumber = 1;
    auto foot = [&] {
        painter.setFont(footFont);
        painter.drawText(QPointF(0, page.height() - footMetrics.descent()),
                         title + QStringLiteral("  -  ") + QString::number(pageNumber));
        painter.setFont(font);
    };
    painter.setFont(font);
    double y = 0;
    for (const std::string& line : lines) {
        if (y + step > bottom) {
            foot();
            if (!printer.newPage()) return false;
            ++pageNumber;
            y = 0;
        }
        // A phrase is short; a stray huge line is cut before it is measured.
        const QString text = qm::fromCp1252(std::string_view(line).substr(0, 400));
        painter.drawText(QPointF(0, y + fm.ascent()), fm.elidedText(text, Qt::ElideRight, width));
        y += step;
    }
    foot();
    return painter.end();
}

int fail(bool gui, const std::string& message) {
    std::fprintf(stderr, "prtcol: %s\n", message.c_str());
    if (gui) QMessageBox::warning(nullptr, QStringLiteral("Print Column"), qm::fromCp1252(message));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: prtcol [--pdf OUT.pdf] TEXT\n");
        return 2;
    }
    // Writing a PDF needs no display.
    if (options->pdf && std::getenv("QT_QPA_PLATFORM") == nullptr &&
        std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool gui = !options->pdf;

    const std::string& path = options->text;
    auto fs = qm::makeRealFileSystem();
    const bool builtIn = qm::builtInSourceFor(qm::textKeyOf(path)) != qm::BuiltInSource::None;
    if (!builtIn && !fs->fileExists(path)) return fail(gui, "Cannot open file " + path);
    qm::Lines lines;
    try {
        // A plain-prose text is cascaded with the reader's grammar model, which shares this
        // program's folder.
        const std::string self = qm::toLocalPath(QCoreApplication::applicationFilePath());
        qm::cascade::ModelParser parser(
            *fs,
            qm::cascade::modelPathIn(qm::deriveProgramLocation(self, qm::PathStyle::Posix).folder));
        lines = columnLines(qm::openedTextLines(*fs, path, &parser));
    } catch (const qm::UserError& e) {
        return fail(gui, e.what());
    }

    QPrinter printer(QPrinter::HighResolution);
    const QString title = QFileInfo(qm::fromLocalPath(path)).fileName();
    printer.setDocName(title);
    if (options->pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(qm::fromLocalPath(*options->pdf));
    } else {
        QPrintDialog dialog(&printer);
        dialog.setWindowTitle(QStringLiteral("Print Column - ") + title);
        if (dialog.exec() != QDialog::Accepted) return 0;
    }
    if (!printColumn(printer, lines, title))
        return fail(gui, options->pdf ? qm::cannotCreateFileMessage(*options->pdf)
                                      : std::string("The column could not be printed"));
    return 0;
}
