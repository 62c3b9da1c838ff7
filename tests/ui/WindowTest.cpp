// End-to-end tests through the real main window, offscreen: start-up, layout, the contents
// tree, paging, the font size controls, bookmarks, the resume question, shortcuts and drops.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "core/text/Tags.h"
#include "ui/AppIcon.h"
#include "ui/BookmarkDialog.h"
#include "ui/FindDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using qm::Control;
using qm::TForm1;

int indexOfLine(const qm::Lines& lines, const std::string& part) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
    return -1;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
        m_fs = qm::makeRealFileSystem();
        start("");
        // A message nobody expected is recorded and closed, so a test fails instead of hanging.
        m_janitor.setInterval(300);
        QObject::connect(&m_janitor, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box == m_seen) {
                m_unexpected << box->text();
                box->reject();
            }
            m_seen = box;
        });
        m_janitor.start();
    }

    void TearDown() override {
        m_janitor.stop();
        EXPECT_TRUE(m_unexpected.isEmpty()) << m_unexpected.join(" | ").toStdString();
        form.reset();
    }

    qm::Session& session() { return form->session(); }

    // A new window started with this file named on the command line, shown and active.
    void start(const std::string& argument) {
        form.reset();
        form = std::make_unique<TForm1>(*m_fs, m_platform);
        // The program folder is the build's program folder, where the book's companions are.
        form->create({std::string(QM_BINARY_DIR) + "/bin/quillmar",
                      m_data.path().toStdString() + "/", argument});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QString dataPath(const char* name) const { return m_data.filePath(name); }

    // Makes the contents tree visible as a user does, with the About page's OK button.
    void showContents() {
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        ASSERT_EQ(form->PageControl1->currentWidget(), form->TOCTabSheet);
    }

    // Clicks the label of the node with this absolute index, its parents opened beforehand by
    // the program (which is no user expansion).
    void clickTocNode(int absoluteIndex) {
        QTreeWidgetItem* item = form->tocItem(absoluteIndex);
        ASSERT_NE(item, nullptr);
        for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
            form->expandTocNode(form->tocIndexOf(p));
        form->TOCTreeView->scrollToItem(item);
        const QRect r = form->TOCTreeView->visualItemRect(item);
        QTest::mouseClick(form->TOCTreeView->viewport(), Qt::LeftButton, {}, r.center());
    }

    // Clicks the expand box in front of a node.
    void clickExpandBox(int absoluteIndex) {
        QTreeWidgetItem* item = form->tocItem(absoluteIndex);
        ASSERT_NE(item, nullptr);
        const QRect r = form->TOCTreeView->visualItemRect(item);
        const QPoint box(r.left() - form->TOCTreeView->indentation() / 2, r.center().y());
        QTest::mouseClick(form->TOCTreeView->viewport(), Qt::LeftButton, {}, box);
    }

    int storyNode(const char* refpt) { return indexOfLine(session().catalogue, refpt); }
    int storyTitleLine(const char* refpt) {
        const int tag = indexOfLine(session().displayLines, std::string("|") + refpt + ">");
        return tag < 0 ? -1 : tag + 1;
    }

    void openStory(const char* refpt) {
        showContents();
        clickTocNode(storyNode(refpt));
        ASSERT_EQ(session().topLine, storyTitleLine(refpt));
    }

    std::unique_ptr<TForm1> form;

private:
    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs;
    qm::QtPlatform m_platform;
    QTimer m_janitor;
    QWidget* m_seen = nullptr;
    QStringList m_unexpected;
};

TEST_F(WindowTest, StartsOnTheAboutPageWithTheControlPageAndTheWelcomePage) {
    EXPECT_EQ(form->windowTitle(), "Quillmar");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->AboutTabSheet);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->ControlsTabSheet);
    EXPECT_EQ(session().displayLines.size(), 19u);
    EXPECT_EQ(session().topLine, 0);

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
    EXPECT_GT(session().nextTopLine, 0);
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
    const int top = session().topLine;

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
    EXPECT_EQ(session().topLine, top);
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

TEST_F(WindowTest, TheIconComesInEverySizeAndTheAboutPageShowsItScaledIntoThePicture) {
    const QIcon icon = form->windowIcon();
    for (const int size : qm::kIconSizes) {
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
        qm::removeTags(session().displayLines[static_cast<std::size_t>(session().topLine)]);
    EXPECT_TRUE(form->Image1->accessibleDescription().startsWith(
        QString::fromLatin1(title.c_str()).trimmed()));
}

TEST_F(WindowTest, TheClickThatExpandsANodeOpensNothingAndTheNextClickOpens) {
    showContents();
    const int title = indexOfLine(session().catalogue, "<<1title");
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
    EXPECT_EQ(session().topLine, storyTitleLine("refpt003"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
}

TEST_F(WindowTest, PageKeysAndButtonsTurnPages) {
    openStory("refpt001");
    const int first = session().topLine;
    const int second = session().nextTopLine;
    ASSERT_GT(second, first);

    QTest::keyClick(form->Image1, Qt::Key_PageDown);
    EXPECT_EQ(session().topLine, second);
    EXPECT_TRUE(session().pageTurned);
    QTest::keyClick(form->Image1, Qt::Key_PageUp);
    EXPECT_LT(session().topLine, second);

    const int next = session().nextTopLine;
    ASSERT_TRUE(form->NextButton->isEnabled());
    QTest::mouseClick(form->NextButton, Qt::LeftButton);
    EXPECT_EQ(session().topLine, next);
    ASSERT_TRUE(form->PrevButton->isEnabled());
    QTest::mouseClick(form->PrevButton, Qt::LeftButton);
    EXPECT_LT(session().topLine, next);

    // The wheel over the page turns a page per notch.
    const int wheelFrom = session().nextTopLine;
    QWheelEvent wheel(QPointF(20, 20), form->Image1->mapToGlobal(QPointF(20, 20)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->Image1, &wheel);
    EXPECT_EQ(session().topLine, wheelFrom);
}

TEST_F(WindowTest, ArrowKeysDoNotMoveTheContentsTreeSelection) {
    showContents();
    form->TOCTreeView->setFocus();
    QTreeWidgetItem* before = form->TOCTreeView->currentItem();
    ASSERT_NE(before, nullptr);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_End})
        QTest::keyClick(form->TOCTreeView, key);
    EXPECT_EQ(form->TOCTreeView->currentItem(), before);
    // The find dialog is another window: it keeps its own typing.
    form->FindItem->trigger();
    ASSERT_TRUE(form->FindDialog1->isVisible());
    QTest::keyClicks(form->FindDialog1->findText, "wind");
    EXPECT_EQ(form->FindDialog1->findText->text(), "wind");
}

TEST_F(WindowTest, TrackBarAndUpDownKeepEachOtherAndTheLabelInStep) {
    form->FontSizeTrackBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 16);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 16");
    EXPECT_EQ(form->FontSizeUpDown->position(), 16);
    EXPECT_EQ(form->TOCTreeView->font().pointSize(), 16);

    auto* up = form->FontSizeUpDown->findChildren<QToolButton*>().value(0);
    ASSERT_NE(up, nullptr);
    ASSERT_EQ(up->arrowType(), Qt::UpArrow);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 17);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 17");
    EXPECT_EQ(session().controls.position(Control::FontSizeTrackBar), 17);

    form->FontSizeTrackBar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(form->FontSizeUpDown->position(), 40);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 40);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 40");
}

TEST_F(WindowTest, AddsANamedBookmarkAndGoesBackToIt) {
    openStory("refpt004");
    QTest::mouseClick(form->NextButton, Qt::LeftButton);
    const int marked = session().topLine;

    uitest::whenModal([](QWidget* w) {
        auto* dialog = qobject_cast<qm::TForm4*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText("Gerda sets out");
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
    });
    QTest::keyClick(form.get(), Qt::Key_D, Qt::ControlModifier);
    QFile bookmarks(QString::fromStdString(session().loc.bookmarkFile));
    ASSERT_TRUE(bookmarks.open(QIODevice::ReadOnly));
    EXPECT_TRUE(bookmarks.readAll().contains("Gerda sets out"));

    QTest::mouseClick(form->PrevButton, Qt::LeftButton);
    ASSERT_NE(session().topLine, marked);

    // Open the Bookmarks menu (which finds the text's section), then Goto..., then the entry.
    form->BMMenu->popup(form->mapToGlobal(QPoint(100, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->BMMenu));
    ASSERT_TRUE(form->BMGOItem->isEnabled());
    uitest::whenModal([](QWidget* w) {
        auto* popup = qobject_cast<QMenu*>(w);
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(popup->objectName(), "BMPopupMenu");
        QAction* entry = nullptr;
        for (QAction* a : popup->actions())
            if (a->text() == "Gerda sets out") entry = a;
        ASSERT_NE(entry, nullptr);
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(entry).center());
    });
    QTest::mouseClick(form->BMMenu, Qt::LeftButton, {},
                      form->BMMenu->actionGeometry(form->BMGOItem).center());
    EXPECT_EQ(session().topLine, marked);
}

TEST_F(WindowTest, OffersToResumeWhereReadingStopped) {
    for (const bool answer : {true, false}) {
        SCOPED_TRACE(answer ? "Yes" : "No");
        openStory("refpt003");
        QTest::mouseClick(form->NextButton, Qt::LeftButton);
        QTest::mouseClick(form->NextButton, Qt::LeftButton);
        const int stopped = session().topLine;
        // Opening the Bookmarks menu loads the list, so leaving the text marks where it stopped.
        form->BMMenu->popup(form->mapToGlobal(QPoint(100, 20)));
        form->BMMenu->hide();

        QString asked;
        uitest::whenModal([&asked, answer](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            asked = box->windowTitle();
            box->button(answer ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        showContents();
        clickTocNode(indexOfLine(session().catalogue, "<<2qdemo"));
        EXPECT_EQ(asked, "Do you want to start reading where you last closed the file?");
        EXPECT_EQ(session().topLine, answer ? stopped : 0);
    }
}

TEST_F(WindowTest, LoadsTheBooksIndexAndFollowsAReference) {
    if (!QFile::exists(QString(QM_BINARY_DIR) + "/bin/qdemo.tvx"))
        GTEST_SKIP() << "the book's word index is not built";
    openStory("refpt001");
    const int indexTab = form->PageControl2->indexOf(form->IndexTabSheet);
    ASSERT_TRUE(form->PageControl2->isTabVisible(indexTab));
    form->PageControl2->setCurrentIndex(indexTab);
    QTest::mouseClick(form->IndexLoadButton, Qt::LeftButton);
    ASSERT_TRUE(form->InxTreeView->isVisible());
    EXPECT_FALSE(form->IndexPanel->isVisible());
    EXPECT_TRUE(form->IndexLoadButton->isEnabled());

    // Open the first letter and its first word by their expand boxes, then click the word's
    // first reference.
    QAbstractItemModel* model = form->InxTreeView->model();
    const QModelIndex letter = form->InxTreeView->currentIndex();
    ASSERT_TRUE(letter.isValid());
    const QModelIndex word = model->index(0, 0, letter);
    auto clickBox = [this](const QModelIndex& index) {
        const QRect r = form->InxTreeView->visualRect(index);
        QTest::mouseClick(form->InxTreeView->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() - form->InxTreeView->indentation() / 2, r.center().y()));
    };
    clickBox(letter);
    ASSERT_TRUE(form->InxTreeView->isExpanded(letter));
    clickBox(word);
    ASSERT_TRUE(form->InxTreeView->isExpanded(word));
    const QModelIndex reference = model->index(0, 0, word);
    const int line = model->data(reference).toString().trimmed().toInt();
    QTest::mouseClick(form->InxTreeView->viewport(), Qt::LeftButton, {},
                      form->InxTreeView->visualRect(reference).center());
    // The page shows the line with a few lines of context above it.
    EXPECT_LE(session().topLine, line);
    EXPECT_GT(session().nextTopLine, line);
    EXPECT_FALSE(form->SearchingIndexLabel->isVisible());
    EXPECT_EQ(form->InxTreeView->height(), form->IndexTabSheet->height());
}

TEST_F(WindowTest, ShortcutsRunTheirCommands) {
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(form->FindDialog1->isVisible());
    const qm::Rect bounds = form->windowBounds();
    EXPECT_EQ(form->FindDialog1->pos(), QPoint(bounds.left + 50, bounds.top + 50));
    form->FindDialog1->hide();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    QString help;
    uitest::whenModal([&help](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        help = box->text();
        box->accept();
    });
    QTest::keyClick(form.get(), Qt::Key_F1);
    // The message's carriage return shows as a line break.
    EXPECT_TRUE(help.startsWith("The complete Readme/Help file is at:\n")) << help.toStdString();
    EXPECT_FALSE(help.contains('\r')) << help.toStdString();

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowTest, ACollectionFileNamedAtStartUpOpensAsTheCatalogueCommandWould) {
    const QString path = dataPath("Shelf.Cdb");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Shelf<<0none\r\nThe Nightingale<<1qdemo@refpt003\r\n(END)\r\n");
    file.close();
    start(path.toStdString());
    // Opened from the event loop once the window is up.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return session().catalogueSourceFile == path.toStdString(); }, 2000));

    EXPECT_EQ(session().currentTextPath, "");
    EXPECT_EQ(session().loc.catalogueExtension, ".cdb");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TOCTabSheet);
    ASSERT_EQ(form->TOCTreeView->topLevelItemCount(), 1);
    QTreeWidgetItem* root = form->TOCTreeView->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Shelf");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "The Nightingale");
    EXPECT_TRUE(form->BMMenu->menuAction()->isVisible());
}

TEST_F(WindowTest, ADroppedTextOpensAsOpenFileWould) {
    const QString path =
        QDir(QString::fromStdString(session().loc.dataFolder)).filePath("story.tvt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);

    EXPECT_EQ(session().currentTextPath, path.toStdString());
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
    EXPECT_FALSE(form->BMMenu->menuAction()->isVisible());
    EXPECT_EQ(form->windowTitle(), "Quillmar");
}

} // namespace
