// End-to-end tests through the real main window, offscreen: start-up, layout, the icon, the
// contents tree and paging.
#include "ui/WindowFixture.h"

#include <QResource>
#include <QSysInfo>

using namespace windowtest;
using qm::Control;
using qm::TForm1;

namespace {

TEST_F(WindowTest, StartsOnTheAboutPageWithTheControlPageAndTheWelcomePage) {
    EXPECT_EQ(form->windowTitle(), "Quillmar");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->AboutTabSheet);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->ControlsTabSheet);
    EXPECT_EQ(session().displayLines().size(), 19u);
    EXPECT_EQ(session().topLine(), 0);

    // Choosing the Reading tab shows the drawn page: not the silver of an undrawn picture.
    QTabBar* tabs = form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->ControlsTabSheet);
    const QImage shown = form->Image1->grab().toImage();
    int silver = 0;
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7)
            if (shown.pixelColor(x, y) == QColor(0xC0, 0xC0, 0xC0)) ++silver;
    EXPECT_EQ(silver, 0);
    EXPECT_GT(session().nextTopLine(), 0);
    const QString page = form->Image1->accessibleDescription();
    EXPECT_TRUE(page.trimmed().startsWith("Select a Book")) << page.toStdString();
    EXPECT_TRUE(page.contains("of the Book.")) << page.toStdString();
}

TEST_F(WindowTest, LaysOutTheWindowAndHidesAndShowsTheControlPanel) {
    form->resize(713, 520);
    ASSERT_EQ(form->Client->width(), 713);
    auto expectFirstLayout = [this] {
        EXPECT_EQ(form->PageControl1->geometry(), QRect(0, 0, 513, form->Client->height()));
        EXPECT_EQ(form->PageControl2->geometry(), QRect(513, 0, 200, form->Client->height()));
        EXPECT_EQ(form->ProgramIcon->geometry(), QRect(0, 0, 256, 256));
        EXPECT_EQ(form->Memo1->geometry(), QRect(256, 0, 256, 256));
        EXPECT_EQ(form->OKButton->geometry(), QRect(219, 264, 75, 25));
        EXPECT_EQ(form->BookTitleLabel->geometry(), QRect(124, 338, 265, 13));
    };
    expectFirstLayout();
    const int top = session().topLine();

    form->HideControlPanelItem->trigger();
    EXPECT_FALSE(form->HideControlPanelItem->isVisible());
    EXPECT_TRUE(form->ShowControlPanelItem->isVisible());
    EXPECT_EQ(form->PageControl1->width(), 713);
    EXPECT_EQ(form->PageControl2->geometry().left(), 713);
    EXPECT_EQ(form->PageControl2->width(), 0);
    EXPECT_EQ(form->ProgramIcon->geometry(), QRect(0, 0, 356, 356));

    form->ShowControlPanelItem->trigger();
    EXPECT_TRUE(form->HideControlPanelItem->isVisible());
    EXPECT_FALSE(form->ShowControlPanelItem->isVisible());
    expectFirstLayout();
    EXPECT_EQ(session().topLine(), top);
}

// The icon file of one size from the source tree, on white as the pictures are.
QImage iconFileOnWhite(int size, int side) {
    const QImage file(QString(QM_SOURCE_DIR "/data/icons/%1x%1/quillmar.png").arg(size));
    QImage out(side, side, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, side, side), file);
    return out;
}

// Pixels of a sampled grid of the square (0, 0, side, side) differing by more than a little.
int differingPixels(const QImage& a, const QImage& b, int side) {
    int differing = 0;
    for (int y = 1; y < side; y += 5)
        for (int x = 1; x < side; x += 5) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                    std::abs(p.blue() - q.blue()) >
                60)
                ++differing;
        }
    return differing;
}

TEST_F(WindowTest, TheWindowIconComesInTheSizesShownAndTheAboutPageShowsItScaledIntoThePicture) {
    const QIcon icon = form->windowIcon();
    // Exactly the window sizes: no larger picture is decoded for a window icon.
    QList<QSize> expected;
    for (const int size : qm::kWindowIconSizes)
        expected << QSize(size, size);
    EXPECT_EQ(icon.availableSizes(), expected);
    for (const int size : qm::kWindowIconSizes) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage shown = icon.pixmap(QSize(size, size)).toImage();
        QImage onWhite(size, size, QImage::Format_RGB32);
        onWhite.fill(Qt::white);
        QPainter(&onWhite).drawImage(0, 0, shown);
        EXPECT_EQ(differingPixels(onWhite, iconFileOnWhite(size, size), size), 0);
    }

    const QImage& logo = form->Image3->picture();
    ASSERT_EQ(logo.size(), QSize(200, 200));
    // Read in place from the program's data, neither copied nor converted.
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        EXPECT_EQ(logo.constBits(), QResource(":/quillmar/about/logo-200.bgrx").data());
    }
    EXPECT_EQ(differingPixels(logo, iconFileOnWhite(256, 200), 200), 0);
    int white = 0;
    for (int y = 0; y < 200; y += 4)
        for (int x = 0; x < 200; x += 4)
            white += logo.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_LT(white, 50 * 50 * 3 / 4); // the book covers a good part of the square

    // The picture shows the logo scaled to its square at each layout, with the panel shown
    // and hidden.
    form->resize(713, 520);
    for (const bool hide : {false, true}) {
        SCOPED_TRACE(hide ? "panel hidden" : "panel shown");
        if (hide) form->HideControlPanelItem->trigger();
        const int side = form->ProgramIcon->width();
        ASSERT_EQ(side, hide ? 356 : 256);
        const QImage scaled =
            logo.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(differingPixels(form->ProgramIcon->picture(), scaled, side), side / 10);
        const QImage grabbed = form->ProgramIcon->grab().toImage();
        EXPECT_LE(differingPixels(grabbed, scaled, side), side / 10);
    }
}

TEST_F(WindowTest, ClickingAStoryOpensItAtItsTitleWithTheBookAsCaption) {
    openStory("refpt002");
    EXPECT_EQ(form->windowTitle(),
              "Quillmar -- Andersen's Fairy Tales, by Andersen, Hans Christian");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->ControlsTabSheet);
    const std::string title =
        qm::removeTags(session().displayLines()[static_cast<std::size_t>(session().topLine())]);
    EXPECT_TRUE(form->Image1->accessibleDescription().startsWith(
        QString::fromLatin1(title.c_str()).trimmed()));
}

TEST_F(WindowTest, TheClickThatExpandsANodeOpensNothingAndTheNextClickOpens) {
    showContents();
    const int title = indexOfLine(session().catalogue(), "<<1title");
    ASSERT_GE(title, 0);
    QTreeWidgetItem* heading = form->tocItem(title);
    ASSERT_FALSE(heading->isExpanded());
    const std::string caption = form->windowTitle().toStdString();

    clickExpandBox(title);
    EXPECT_TRUE(heading->isExpanded());
    EXPECT_EQ(form->windowTitle().toStdString(), caption);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TOCTabSheet);

    const int story = storyNode("refpt003");
    ASSERT_EQ(form->tocItem(story)->parent()->parent(), heading);
    clickTocNode(story);
    EXPECT_EQ(session().topLine(), storyTitleLine("refpt003"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
}

TEST_F(WindowTest, PageKeysAndButtonsTurnPages) {
    openStory("refpt001");
    const int first = session().topLine();
    const int second = session().nextTopLine();
    ASSERT_GT(second, first);

    QTest::keyClick(form->Image1, Qt::Key_PageDown);
    EXPECT_EQ(session().topLine(), second);
    EXPECT_TRUE(session().pageTurned());
    QTest::keyClick(form->Image1, Qt::Key_PageUp);
    EXPECT_LT(session().topLine(), second);

    const int next = session().nextTopLine();
    ASSERT_TRUE(form->NextButton->isEnabled());
    QTest::mouseClick(form->NextButton, Qt::LeftButton);
    EXPECT_EQ(session().topLine(), next);
    ASSERT_TRUE(form->PrevButton->isEnabled());
    QTest::mouseClick(form->PrevButton, Qt::LeftButton);
    EXPECT_LT(session().topLine(), next);

    // The wheel over the page turns a page per notch.
    const int wheelFrom = session().nextTopLine();
    QWheelEvent wheel(QPointF(20, 20), form->Image1->mapToGlobal(QPointF(20, 20)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->Image1, &wheel);
    EXPECT_EQ(session().topLine(), wheelFrom);
}

} // namespace
