#include "ui/Headless.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/DocumentCascade.h"
#include "core/encoding/Windows1252.h"
#include "core/import/BookReader.h"
#include "core/index/WordIndex.h"
#include "core/output/SaveScreen.h"
#include "core/port/NullViewPort.h"
#include "core/shell/CollectionText.h"
#include "core/shell/Session.h"
#include "ui/Cp1252.h"
#include "ui/HeadlessSpeech.h"
#include "ui/NamedFile.h"
#include "ui/PdfPages.h"
#include "ui/QtSurface.h"

#include <ostream>
#include <utility>

namespace qm {

namespace {

// No window: messages go to the error stream, questions are answered No, the open dialog
// gives the answer set for it, every other dialog is cancelled, and control changes go nowhere
// (the session keeps its own copy of them).
class HeadlessView : public NullViewPort {
public:
    explicit HeadlessView(std::ostream& err)
        : m_err(err) {}
    void showMessage(const std::string& message) override {
        m_err << message << '\n';
        ++messages;
    }
    void setWindowBounds(const Rect& bounds) override { m_bounds = bounds; }
    Rect windowBounds() const override { return m_bounds; }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&,
                                              const std::string&, const std::string&) override {
        return std::exchange(openAnswer, std::nullopt);
    }

    std::optional<std::string> openAnswer; // the open dialog's answer, when one is given
    int messages = 0;

private:
    std::ostream& m_err;
    Rect m_bounds{90, 122, 729, 509};
};

} // namespace

int runHeadless(const CommandLine& o, const std::string& exePath, const std::string& dataFolder,
                FileSystem& fs, Platform& platform, std::ostream& out, std::ostream& err) {
    HeadlessView view(err);
    Session session(view, fs, platform);
    QtSurface surface(o.width, o.height, 1.0);
    session.setSurface(&surface);

    auto step = [&session](const std::function<void()>& handler) { return session.run(handler); };
    // A collection or book file named at start-up is no text: it is opened after the first
    // activation, as the catalogue command or Open File would open it.
    const bool collection = opensAfterActivation(fs, o.text);
    const std::string text = collection ? std::string() : o.text;
    if (!step([&] { session.FormCreate(exePath, dataFolder, text); })) return 1;
    // The window's client area around a reading page of this size, with the panel shown.
    session.setClientSize(o.width + 200, o.height);
    // The first activation ends the window's start-up: its page is drawn from line 0 and the
    // next top line stays what it was before the welcome lines came (nothing is redrawn).
    if (!step([&] { session.FormActivate(); })) return 1;
    if (collection && !openNamedFile(session, o.text, view.openAnswer, step)) return 1;

    Control box = Control::Count;
    auto check = [&](Control c, void (Session::*handler)(bool)) {
        box = c;
        return step([&] {
            session.setControlChecked(box, true);
            (session.*handler)(true);
        });
    };
    if (o.toc && !step([&] {
            view.selectTocNode(*o.toc);
            session.TOCTreeViewClick(*o.toc);
        }))
        return 1;
    if (o.scheme && !step([&] {
            session.setControlPosition(Control::BGColorRadioGroup, *o.scheme);
            session.BGColorRadioGroupClick(*o.scheme);
        }))
        return 1;
    if (o.noColoredText && !check(Control::TwoColorCheckBox, &Session::TwoColorCheckBoxClick))
        return 1;
    if (o.singleShade &&
        !check(Control::SingleShadeBgCheckBox, &Session::SingleShadeBgCheckBoxClick))
        return 1;
    if (o.twoColumns && !check(Control::TwoColCheckBox, &Session::TwoColCheckBoxClick)) return 1;
    if (o.fontSize && !step([&] {
            session.setControlPosition(Control::FontSizeTrackBar, *o.fontSize);
            session.FontSizeTrackBarChange(*o.fontSize);
        }))
        return 1;
    for (int i = 0; i < o.next; ++i)
        if (!step([&] { session.ShowNextPage(); })) return 1;
    for (int i = 0; i < o.prev; ++i)
        if (!step([&] { session.ShowPreviousPage(); })) return 1;
    if (o.find && !step([&] { session.FindDialog1Find(*o.find, !o.findUp, o.matchCase); }))
        return 1;
    // Headless questions are answered No: an existing file is replaced only when asked to.
    if (o.exportTo && !step([&] {
            session.setPageDocumentMaker(makePdfDocument);
            session.exportText({*o.exportTo,
                                exporting::pageSizeNamed(o.pageSize).value_or(exporting::PageSize::A4),
                                o.shades},
                               o.replace);
        }))
        return 1;
    if (o.readAloud &&
        !readAloudHeadless(session, *o.readAloud, out, [&view] { return view.messages; }))
        return 1;

    Lines pageLines;
    if ((o.pageText || o.saveScreen) && !step([&] {
            pageLines =
                saveScreenLines(session.displayLines(), session.topLine(), session.nextTopLine());
        }))
        return 1;
    if (o.pageText)
        for (const std::string& line : pageLines)
            out << line << '\n';
    if (o.saveScreen && !step([&] { fs.writeFile(*o.saveScreen, joinLinesCrLf(pageLines)); }))
        return 1;
    if (o.pageInfo)
        out << "top line " << session.topLine() << ", next top line " << session.nextTopLine()
            << ", lines " << session.displayLines().size() << '\n';
    // The page is the surface's top-left part, the size the page was drawn at.
    if (o.render &&
        !surface.image().copy(0, 0, o.width, o.height).save(fromLocalPath(*o.render), "PNG")) {
        err << "Cannot create file " << *o.render << '\n';
        return 1;
    }
    out.flush();
    return 0;
}

namespace {

void runCascade(const std::string& path, cascade::SentenceParser* parser, FileSystem& fs,
                std::ostream& out, std::ostream& err) {
    const std::optional<std::string> bytes = fs.readFile(path, kBookFileCap);
    if (!bytes) throw UserError("Cannot open file " + path);
    // The stored form on the output; the chapters' reference points on the error stream, so
    // the output can be kept as a stored text as it is.
    const cascade::Document doc = import::readBook(fileNameOf(path), *bytes);
    // Written as the lines are made, so the book is never held in lines.
    const std::optional<LineBuffer> points = cascade::cascadeDocumentTo(
        doc, parser, [&out](std::string& line) { out << encoding::utf8ToWindows1252(line) << '\n'; });
    for (std::size_t c = 0; c < doc.chapters.size(); ++c)
        err << (*points)[c] << ' ' << encoding::utf8ToWindows1252(doc.chapters[c].title) << '\n';
}

} // namespace

int runTools(const CommandLine& o, cascade::SentenceParser* parser, FileSystem& fs,
             std::ostream& out, std::ostream& err) {
    // Any failure, running out of memory too, is a message and the exit code 1.
    try {
        if (o.cascade) runCascade(*o.cascade, parser, fs, out, err);
        if (o.makeIndex)
            for (const std::string& line : makeWordIndex(openedTextLines(fs, *o.makeIndex, parser)))
                out << line << '\n';
    } catch (...) {
        out.flush();
        err << currentExceptionMessage() << '\n';
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace qm
