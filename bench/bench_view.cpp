// The reading view on the QPainter surface: a full page drawn again (redraw after an option
// change or a resize), the worst page (4K, 4 points, two columns), and page turns forward and
// back through a whole cascaded novel. The floor is bare QPainter drawText of the same
// visible strings, opaque, on the same image, measured in the same run.
#include "core/cascade/Cascader.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/testing/ShippedParser.h"
#include "core/text/Tags.h"
#include "support/Corpus.h"
#include "ui/QtSurface.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

namespace {

class QuietView : public qm::NullViewPort {};

class NoPlatform : public qm::Platform {
public:
    int screenWidth() const override { return 1920; }
    int screenHeight() const override { return 1080; }
    std::string localDateTimeText() const override { return {}; }
    bool startDetached(const std::string&, const std::vector<std::string>&) override {
        return false;
    }
};

// The novel cascaded and opened as display lines; colour tags kept on about half the lines.
const qm::Lines& bookLines() {
    static const qm::Lines lines = [] {
        const qm::Lines stored =
            qm::cascadeText(qmbench::corpusProse().value_or(std::string()), qm::shippedParser());
        qm::Lines display;
        int tagged = 0;
        for (std::size_t i = 1; i < stored.size(); ++i) {
            const std::string& line = stored[i];
            if (line.size() >= 3 && line[0] == 'l' &&
                std::isdigit(static_cast<unsigned char>(line[1])) &&
                std::isdigit(static_cast<unsigned char>(line[2]))) {
                const int level = std::min(52, (line[1] - '0') * 10 + (line[2] - '0'));
                std::string phrase = line.substr(3);
                if (phrase.find('|') != std::string::npos && ++tagged % 4 == 0)
                    phrase = qm::removeTags(phrase);
                display.push_back(std::string(static_cast<std::size_t>(level), ' ') + phrase);
            } else {
                display.push_back(line);
            }
        }
        display.push_back("p999");
        display.push_back("        END OF FILE");
        display.push_back(" ");
        return display;
    }();
    return lines;
}

struct Reader {
    Reader(int width, int height, int fontSize, bool twoColumns)
        : surface(width, height) {
        session.setSurface(&surface);
        qm::SessionTestAccess(session).setHaveDisplayList(true);
        qm::SessionTestAccess(session).setDisplayLines(bookLines());
        session.setControlPosition(qm::Control::FontSizeTrackBar, fontSize);
        session.setControlChecked(qm::Control::TwoColCheckBox, twoColumns);
        session.BGColorRadioGroupClick(0);
    }
    // The top line of a page well inside the book, reached by paging.
    int pageInside(int turns) {
        qm::SessionTestAccess(session).setNextTopLine(session.drawPage(0));
        for (int i = 0; i < turns; ++i)
            session.ShowNextPage();
        return session.topLine();
    }
    QuietView view;
    qm::MemoryFileSystem fs;
    NoPlatform platform;
    qm::Session session{view, fs, platform};
    qm::QtSurface surface;
};

void pageCounters(benchmark::State& state, const Reader& r) {
    state.counters["lines"] = r.session.nextTopLine() - r.session.topLine();
}

void BM_DrawPage_1080_15pt(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(1920, 1080, 15, false);
    const int top = r.pageInside(200);
    for (auto _ : state)
        qm::SessionTestAccess(r.session).setNextTopLine(r.session.drawPage(top));
    pageCounters(state, r);
}
BENCHMARK(BM_DrawPage_1080_15pt)->Unit(benchmark::kMicrosecond);

// The floor: the same page's visible strings (tags removed), one opaque drawText per line in
// the text colour on the shade's background, on an image of the same size.
void BM_Floor_DrawText_1080_15pt(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(1920, 1080, 15, false);
    const int top = r.pageInside(200);
    const int next = r.session.drawPage(top);
    std::vector<QString> strings;
    for (int i = top; i < next; ++i)
        strings.push_back(
            qm::QtSurface::decode(qm::removeTags(bookLines()[static_cast<std::size_t>(i)] + " ")));
    QImage image(1920, 1080, QImage::Format_RGB32);
    QFont font("Liberation Serif");
    font.setPixelSize(20);
    const QFontMetrics metrics(font);
    const int height = metrics.height();
    const QColor background(0xE3, 0xBC, 0x9F);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(0, 0, 1920, 1080, background);
        p.setFont(font);
        p.setPen(Qt::black);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(background);
        int y = 5;
        for (const QString& s : strings) {
            p.drawText(QPoint(0, y + metrics.ascent()), s);
            y += height;
        }
    }
    state.counters["lines"] = static_cast<double>(strings.size());
}
BENCHMARK(BM_Floor_DrawText_1080_15pt)->Unit(benchmark::kMicrosecond);

// The worst page: 3840 x 2160 at 4 points in two columns, drawn again and drawn fresh.
void BM_DrawPage_4K_4pt_TwoColumns_Redraw(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(3840, 2160, 4, true);
    const int top = r.pageInside(20);
    for (auto _ : state)
        qm::SessionTestAccess(r.session).setNextTopLine(r.session.drawPage(top));
    pageCounters(state, r);
}
BENCHMARK(BM_DrawPage_4K_4pt_TwoColumns_Redraw)->Unit(benchmark::kMillisecond);

// Turns pages forward through the whole book, starting again at its first page at the end.
void turnPagesForward(benchmark::State& state, Reader& r) {
    qm::SessionTestAccess(r.session).setNextTopLine(r.session.drawPage(0));
    const int count = static_cast<int>(r.session.displayLines().size());
    for (auto _ : state) {
        if (r.session.nextTopLine() >= count - 2)
            qm::SessionTestAccess(r.session).setNextTopLine(0);
        r.session.ShowNextPage();
    }
    pageCounters(state, r);
}

void BM_DrawPage_4K_4pt_TwoColumns_Turn(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(3840, 2160, 4, true);
    turnPagesForward(state, r);
}
BENCHMARK(BM_DrawPage_4K_4pt_TwoColumns_Turn)->Unit(benchmark::kMillisecond);

// Page turns through the whole book, each page drawn for the first time in a while.
void BM_ShowNextPage_1080_15pt(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(1920, 1080, 15, false);
    turnPagesForward(state, r);
}
BENCHMARK(BM_ShowNextPage_1080_15pt)->Unit(benchmark::kMicrosecond);

void BM_ShowPreviousPage_1080_15pt(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(1920, 1080, 15, false);
    const int count = static_cast<int>(r.session.displayLines().size());
    qm::SessionTestAccess(r.session).setTopLine(count - 3);
    for (auto _ : state) {
        if (r.session.topLine() == 0) qm::SessionTestAccess(r.session).setTopLine(count - 3);
        r.session.ShowPreviousPage();
    }
    pageCounters(state, r);
}
BENCHMARK(BM_ShowPreviousPage_1080_15pt)->Unit(benchmark::kMicrosecond);

// The floor of a page turn: a fresh page's visible strings drawn with bare drawText.
void BM_Floor_DrawText_Turn_1080_15pt(benchmark::State& state) {
    if (!qmbench::haveCorpus(state)) return;
    Reader r(1920, 1080, 15, false);
    qm::SessionTestAccess(r.session).setNextTopLine(r.session.drawPage(0));
    std::vector<std::vector<QString>> pages;
    const int count = static_cast<int>(r.session.displayLines().size());
    while (r.session.nextTopLine() < count - 2) {
        std::vector<QString> page;
        for (int i = r.session.topLine(); i < r.session.nextTopLine(); ++i)
            page.push_back(qm::QtSurface::decode(
                qm::removeTags(bookLines()[static_cast<std::size_t>(i)] + " ")));
        pages.push_back(std::move(page));
        r.session.ShowNextPage();
    }
    QImage image(1920, 1080, QImage::Format_RGB32);
    QFont font("Liberation Serif");
    font.setPixelSize(20);
    const QFontMetrics metrics(font);
    const QColor background(0xE3, 0xBC, 0x9F);
    std::size_t n = 0;
    for (auto _ : state) {
        const auto& page = pages[n++ % pages.size()];
        QPainter p(&image);
        p.fillRect(0, 0, 1920, 1080, background);
        p.setFont(font);
        p.setPen(Qt::black);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(background);
        int y = 5;
        for (const QString& s : page) {
            p.drawText(QPoint(0, y + metrics.ascent()), s);
            y += metrics.height();
        }
    }
    state.counters["pages"] = static_cast<double>(pages.size());
}
BENCHMARK(BM_Floor_DrawText_Turn_1080_15pt)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
