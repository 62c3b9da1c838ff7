// Read Aloud in the real window: its menu and keys, the Control page's button, a double click
// on a page line, and closing the window while reading. The last test reads two pages of the
// built-in book through the desktop's speech service; it runs when the service script started
// a private speech service for it (QM_SPEECH_SERVICE=1), and skips otherwise.
#include "WindowFixture.h"
#include "core/speech/SpeechText.h"
#include "core/testing/FakeSpeechEngine.h"

#include <QMenuBar>
#include <QScreen>

#include <cstdlib>

namespace {

using windowtest::WindowTest;
using Note = qm::Session::SpeechNote;

// Installs a fake engine in the window; the window owns it, the test keeps a pointer.
qm::FakeSpeechEngine& fakeEngine(qm::TForm1& form) {
    auto engine = std::make_unique<qm::FakeSpeechEngine>();
    qm::FakeSpeechEngine& fake = *engine;
    form.setSpeechEngine(std::move(engine));
    return fake;
}

TEST_F(WindowTest, ReadAloudKeysStartPauseAndStopTheVoice) {
    openStory("refpt001");
    qm::FakeSpeechEngine& fake = fakeEngine(*form);
    const int top = session().topLine();

    // F5 reads from the page's first line with words; its first mark lights that line.
    QTest::keyClick(form->Image1, Qt::Key_F5);
    ASSERT_TRUE(session().readingAloud());
    ASSERT_EQ(fake.queue.size(), 1u);
    ASSERT_TRUE(fake.fireMark());
    const int first = session().litLine();
    EXPECT_GE(first, top);
    EXPECT_LT(first, session().nextTopLine());
    EXPECT_EQ(qm::speech::markName(first), fake.spoken.front().marks.front());

    // F5 again pauses (the line stays lit), Shift+F5 stops and puts the band away.
    QTest::keyClick(form->Image1, Qt::Key_F5);
    EXPECT_EQ(session().litLine(), first);
    EXPECT_TRUE(fake.queue.empty());
    QTest::keyClick(form->Image1, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_FALSE(session().readingAloud());
    EXPECT_EQ(session().litLine(), -1);

    // Faster and Slower step the rate the service is given.
    QTest::keyClick(form->Image1, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(form->Image1, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(form->Image1, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(fake.rate, 10);
    EXPECT_EQ(session().topLine(), top) << "no key of Read Aloud turns the page";
}

// The window shows only the rows a mark changes again: what is on the screen after each mark
// (the window's backing store) is the page painted whole, with no band left behind.
TEST_F(WindowTest, AfterEachMarkTheScreenShowsThePagePaintedWhole) {
    openStory("refpt001");
    qm::FakeSpeechEngine& fake = fakeEngine(*form);
    const auto onScreen = [this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        const QPoint at = form->Image1->mapTo(form.get(), QPoint(0, 0));
        return form->screen()
            ->grabWindow(form->winId(), at.x(), at.y(), form->Image1->width(),
                         form->Image1->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto paintedWhole = [this] {
        return form->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage unlit = onScreen();
    ASSERT_EQ(unlit, paintedWhole());
    QTest::keyClick(form->Image1, Qt::Key_F5);
    for (int mark = 0; mark < 5; ++mark) {
        SCOPED_TRACE(mark);
        if (!fake.fireMark()) {
            ASSERT_TRUE(fake.finishUtterance());
            ASSERT_TRUE(fake.fireMark());
        }
        const QImage shown = onScreen();
        EXPECT_NE(shown, unlit) << "a band is shown";
        EXPECT_EQ(shown, paintedWhole());
    }
    QTest::keyClick(form->Image1, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(onScreen(), unlit) << "Stop puts the band away";
}

TEST_F(WindowTest, ADoubleClickReadsFromTheLineDrawnThere) {
    openStory("refpt001");
    qm::FakeSpeechEngine& fake = fakeEngine(*form);
    // The fourth row of the page, found by its pixels: the first row's height times 3.5.
    const int top = session().topLine();
    int rowHeight = 0;
    for (int y = 0; y < form->Image1->height() && !rowHeight; ++y)
        if (session().lineAt(10, y) == top + 1) rowHeight = y;
    ASSERT_GT(rowHeight, 0);
    QTest::mouseDClick(form->Image1, Qt::LeftButton, {}, QPoint(10, rowHeight * 7 / 2));
    ASSERT_TRUE(session().readingAloud());
    ASSERT_TRUE(fake.fireMark());
    EXPECT_GE(session().litLine(), top + 3);
    EXPECT_EQ(fake.spoken.back().marks.front(), qm::speech::markName(session().litLine()));
}

TEST_F(WindowTest, ReadAloudHasItsOwnMenuBeforeHelpAndAButton) {
    const QList<QAction*> bar = form->menuBar()->actions();
    const auto at = bar.indexOf(form->ReadAloudMenu->menuAction());
    ASSERT_GE(at, 0);
    EXPECT_EQ(bar.value(at + 1), form->HempMenu->menuAction());
    QStringList items;
    for (QAction* a : form->ReadAloudMenu->actions())
        if (!a->isSeparator()) items << a->text();
    EXPECT_EQ(items, QStringList({"Start/Pause", "Stop", "Faster", "Slower",
                                  QString::fromUtf8("Voice\u2026")}));
    // The button starts reading as the menu's first item does.
    openStory("refpt001");
    qm::FakeSpeechEngine& fake = fakeEngine(*form);
    form->PageControl1->setCurrentWidget(form->ControlsTabSheet);
    QTest::mouseClick(form->ReadAloudButton, Qt::LeftButton);
    EXPECT_TRUE(session().readingAloud());
    EXPECT_EQ(fake.spoken.size(), 1u);
}

TEST_F(WindowTest, ClosingTheWindowWhileReadingSilencesTheEngine) {
    openStory("refpt001");
    qm::FakeSpeechEngine& fake = fakeEngine(*form);
    form->ReadAloudStartItem->trigger();
    ASSERT_TRUE(fake.fireMark());
    const int stopsBefore = fake.stops;
    ASSERT_TRUE(form->close());
    EXPECT_GT(fake.stops, stopsBefore);
    EXPECT_TRUE(fake.queue.empty());
    EXPECT_FALSE(fake.isOpen());
}

// Reads the first two pages of a story through the speech service: every line with words on
// them is lit once, in order, and the voice turns the page once, to the second page's top.
TEST_F(WindowTest, TheSpeechServiceReadsTwoPagesLightingEveryLineInOrder) {
    if (!std::getenv("QM_SPEECH_SERVICE"))
        GTEST_SKIP() << "no private speech service: run by tests/speech-service/read-two-pages.sh";
    openStory("refpt001");
    const int top = session().topLine();
    const int secondTop = session().nextTopLine();
    std::vector<int> lit, turned;
    int end = -1; // the line after the second page, known once it is shown
    int last = -1;
    bool stopped = false;
    session().setSpeechListener([&](const Note& note) {
        if (note.kind == Note::Kind::Stopped) stopped = true;
        if (note.kind == Note::Kind::Turned && end < 0) {
            turned.push_back(note.line);
            end = session().nextTopLine();
            for (int i = end - 1; i >= secondTop && last < 0; --i)
                if (qm::speech::lineRole(session().displayLines(), i) !=
                    qm::speech::LineRole::Silent)
                    last = i;
        } else if (note.kind == Note::Kind::Turned) {
            turned.push_back(note.line);
        }
        if (note.kind != Note::Kind::Lit) return;
        lit.push_back(note.line);
        // Stopped as the last line is lit, before the service's next mark can arrive.
        if (note.line == last) form->ReadAloudStopItem->trigger();
    });
    form->ReadAloudStartItem->trigger();
    ASSERT_TRUE(session().readingAloud());
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped; }, 120000))
        << lit.size() << " lines lit, last " << (lit.empty() ? -1 : lit.back());
    session().setSpeechListener({});

    ASSERT_GT(end, secondTop);
    std::vector<int> expected;
    for (int i = top; i < end; ++i)
        if (qm::speech::lineRole(session().displayLines(), i) != qm::speech::LineRole::Silent)
            expected.push_back(i);
    EXPECT_EQ(lit, expected);
    EXPECT_EQ(turned, std::vector<int>{secondTop});
    EXPECT_EQ(session().topLine(), secondTop);
    EXPECT_EQ(session().litLine(), -1);
}

} // namespace
