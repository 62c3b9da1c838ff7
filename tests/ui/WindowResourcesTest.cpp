// What the window holds and looks up at start-up: pictures made at the size shown, fonts in
// place before any text is laid out, and the start-up probe's measuring modes, which the window
// harness (bench/bench_window.cpp) relies on.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/QtSurface.h"
#include "ui/StartupProbe.h"
#include "ui/StartupStyle.h"
#include "ui/Widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qm::TForm1;

class WindowResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
        m_fs = qm::makeRealFileSystem();
    }
    void TearDown() override { form.reset(); }

    // A window as the program makes it, named on a command line with this text, from an
    // executable in this folder; shown when asked; its contents tree made first when asked.
    void start(const QString& programFolder, const std::string& text, bool show = true,
               bool treeFirst = false) {
        form = std::make_unique<TForm1>(*m_fs, m_platform);
        if (treeFirst) form->tocTree();
        form->create({(programFolder + "/quillmar").toStdString(),
                      m_data.filePath("data").toStdString() + "/", text});
        if (!show) return;
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QString dataPath(const char* name) const { return m_data.filePath(name); }

    // Runs the start-up probe in this mode over the window that startWindow makes and shows;
    // returns what the probe printed.
    std::string runProbe(const char* mode, const std::function<void()>& startWindow) {
        qputenv("QUILLMAR_STARTUP_PROBE", mode);
        const std::unique_ptr<QObject> probe(qm::installStartupProbe(qApp));
        qunsetenv("QUILLMAR_STARTUP_PROBE");
        EXPECT_NE(probe, nullptr);
        testing::internal::CaptureStdout();
        startWindow();
        QTimer never; // a probe that never quits fails the test instead of hanging it
        never.setSingleShot(true);
        QObject::connect(&never, &QTimer::timeout, qApp, &QCoreApplication::quit);
        never.start(20000);
        QCoreApplication::exec();
        EXPECT_TRUE(never.isActive()) << "the probe did not quit";
        return testing::internal::GetCapturedStdout();
    }

    std::unique_ptr<TForm1> form;

private:
    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs;
    qm::QtPlatform m_platform;
};

TEST_F(WindowResourcesTest, PicturesAreMadeAtTheSizeShownAndGrowWithIt) {
    start(QM_BINARY_DIR "/bin", "");
    form->resize(713, 520);
    QCoreApplication::processEvents();
    const QSize screen = form->screen()->size();
    // The About picture covers its control, not the screen, and never shrinks.
    EXPECT_EQ(form->ProgramIcon->picture().size(), QSize(256, 256));
    form->HideControlPanelItem->trigger();
    EXPECT_EQ(form->ProgramIcon->picture().size(), QSize(356, 356));
    form->ShowControlPanelItem->trigger();
    EXPECT_EQ(form->ProgramIcon->width(), 256);
    EXPECT_EQ(form->ProgramIcon->picture().size(), QSize(356, 356));
    // The shown part is the logo, as before.
    EXPECT_NE(form->ProgramIcon->grab().toImage().pixelColor(128, 128), QColor(Qt::white));

    // The page image holds the largest page drawn so far, not the screen.
    form->PageControl1->setCurrentWidget(form->ReadTabSheet);
    QCoreApplication::processEvents();
    const QSize page = form->Image1->size() * form->devicePixelRatio();
    const QImage& image = form->pageImage();
    EXPECT_GE(image.width(), page.width());
    EXPECT_GE(image.height(), page.height());
    EXPECT_TRUE(image.width() < screen.width() || image.height() < screen.height())
        << "the page image was made at the screen's size";
}

TEST_F(WindowResourcesTest, APageDrawnBeforeTheWindowIsShownIsDrawnAgainWhenShown) {
    // A text on the command line is drawn before the window is shown, at the screen's size:
    // that drawing only measures, and the page shown is the one the first activation draws.
    QFile text(dataPath("story.tvt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Story\r\nl00Once upon a time\r\nl04there was a reader.\r\nEND\r\n");
    text.close();
    start(QM_BINARY_DIR "/bin", dataPath("story.tvt").toStdString(), false);
    EXPECT_GT(form->session().nextTopLine(), 0); // the text's page was laid out
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->PageControl1->setCurrentWidget(form->ReadTabSheet);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->pageText().contains("Once upon a time"));
    // The reading page shows the page image, text and background drawn on it.
    const QImage shown = form->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage page = form->pageImage().copy(QRect(QPoint(0, 0), shown.size()));
    EXPECT_EQ(shown, page.convertToFormat(QImage::Format_RGB32));
    QSet<QRgb> colours;
    for (int y = 0; y < std::min(page.height(), 60); ++y)
        for (int x = 0; x < std::min(page.width(), 300); ++x)
            colours.insert(page.pixel(x, y));
    EXPECT_GT(colours.size(), 2); // background, text and its edges
}

TEST_F(WindowResourcesTest, TextsAreLaidOutInTheirOwnFonts) {
    const QFont application = QGuiApplication::font();
    start(QM_BINARY_DIR "/bin", "", false);
    (void)form->indexPage();
    // Making a memo lends it the window's font as the application's for a moment; the
    // application's own font is back afterwards, for the windows that use it.
    EXPECT_EQ(QGuiApplication::font(), application);
    // The memos' documents start in the memo's font, not in the application's default font.
    for (QTextEdit* memo : {form->Memo1, form->indexPage().IndexMemo, form->indexPage().Memo2}) {
        SCOPED_TRACE(memo->objectName().toStdString());
        EXPECT_EQ(memo->document()->defaultFont().family(), memo->font().family());
        EXPECT_EQ(memo->document()->defaultFont().pixelSize(), memo->font().pixelSize());
        EXPECT_EQ(memo->font().family(), "Liberation Sans");
    }
    // Every page starts in the window's font; the contents tree in its serif font, at the size
    // the settings give it (15 points is 20 pixels).
    for (qm::Sheet* page : {form->ControlsTabSheet, form->OptionsTabSheet, form->IndexTabSheet,
                            form->AboutTabSheet}) {
        SCOPED_TRACE(page->objectName().toStdString());
        EXPECT_EQ(page->font().family(), "Liberation Sans");
        EXPECT_EQ(page->font().pixelSize(), 11);
    }
    EXPECT_EQ(form->tocTree()->font().family(), "Liberation Serif");
    EXPECT_EQ(QFontInfo(form->tocTree()->font()).pixelSize(), 20);
}

// Selecting a contents node while the tree is hidden opens its parents at once and scrolls
// to it when the tree is shown.
TEST_F(WindowResourcesTest, ANodeSelectedInTheHiddenContentsTreeIsScrolledToWhenShown) {
    start(QM_BINARY_DIR "/bin", "");
    form->resize(713, 460);
    form->setTocFontSize(40); // rows taller than the tree can show at once
    ASSERT_FALSE(form->tocTree()->isVisible());
    int last = -1;
    for (QTreeWidgetItemIterator it(form->tocTree()); *it; ++it)
        ++last;
    QTreeWidgetItem* item = form->tocItem(last);
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->parent(), nullptr);
    form->selectTocNode(last);
    EXPECT_EQ(form->tocTree()->currentItem(), item);
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        EXPECT_TRUE(p->isExpanded());
    form->PageControl1->setCurrentWidget(form->TOCTabSheet);
    QCoreApplication::processEvents();
    const QRect shown = form->tocTree()->viewport()->rect();
    EXPECT_TRUE(shown.contains(form->tocTree()->visualItemRect(item)));
    EXPECT_GT(form->tocTree()->verticalScrollBar()->value(), 0);
}

// The contents tree is made when its page first comes forward: it then shows whatever the
// session set on it before (nodes, opened nodes, selection, font size) as a tree made with the
// window shows it, to the pixel and the scroll position.
TEST_F(WindowResourcesTest, AContentsTreeMadeWhenShownShowsEveryEarlierChange) {
    auto books = [](int count) {
        qm::Tree tree{{"catalogue " + std::to_string(count), -1}};
        for (int b = 0; b < count * 7; b += 7)
            for (int n = 0; n < 7; ++n)
                tree.push_back({"node " + std::to_string(b + n), n == 0 ? 0 : b + 1});
        return tree;
    };
    const std::function<void(TForm1&)> cases[] = {
        [](TForm1&) {}, [](TForm1& f) { f.FontSizeTrackBar->setValue(31); },
        [&](TForm1& f) {
            f.setTocFontSize(40);
            f.setTocTree(books(12));
            f.selectTocNode(80);
        },
        [&](TForm1& f) {
            f.setTocTree(books(3));
            f.expandTocNode(8);
            f.selectTocNode(10);
            f.setTocTree(books(4));
            for (const int node : {15, 15, 500})
                f.expandTocNode(node);
            f.selectTocNode(17);
            f.selectTocNode(-1);
        }};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::string shown[2];
        QImage pixels[2];
        for (const bool treeFirst : {true, false}) {
            SCOPED_TRACE(std::to_string(i) + (treeFirst ? " made first" : " made when shown"));
            start(QM_BINARY_DIR "/bin", "", true, treeFirst);
            form->resize(713, 460);
            cases[i](*form);
            EXPECT_EQ(form->tocTreeBuilt(), treeFirst);
            form->PageControl1->setCurrentWidget(form->TOCTabSheet);
            QCoreApplication::processEvents();
            QTreeWidget* tree = form->tocTree();
            std::string& s = shown[treeFirst];
            s = tree->font().toString().toStdString();
            s += " scrolled " + std::to_string(tree->verticalScrollBar()->value());
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                s += " | " + std::to_string(form->tocIndexOf((*it)->parent())) + " " +
                     (*it)->text(0).toStdString() + ((*it)->isExpanded() ? " open" : "") +
                     (*it == tree->currentItem() ? " selected" : "");
            pixels[treeFirst] = tree->grab().toImage();
            EXPECT_EQ(i == 2, tree->verticalScrollBar()->value() > 0);
        }
        EXPECT_EQ(shown[false], shown[true]);
        EXPECT_TRUE(pixels[false] == pixels[true]);
    }
}

// What a page's named controls show: for each, whether it is visible and enabled, its
// geometry, and its texts and check marks.
std::vector<std::string> pageState(QWidget* page) {
    std::vector<std::string> state;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        // The page's own controls; Qt's parts of them (scroll bar holders) keep geometry from
        // texts set before, which nobody sees until they are laid out again to be shown.
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        std::ostringstream s;
        const QRect r = w->geometry();
        s << w->objectName().toStdString() << " visible=" << w->isVisible()
          << " enabled=" << w->isEnabled() << " at " << r.x() << "," << r.y() << " " << r.width()
          << "x" << r.height();
        if (auto* label = qobject_cast<QLabel*>(w)) s << " text=" << label->text().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            s << " text=" << button->text().toStdString() << " checked=" << button->isChecked();
        if (auto* group = qobject_cast<QGroupBox*>(w))
            s << " title=" << group->title().toStdString();
        if (auto* edit = qobject_cast<QTextEdit*>(w))
            s << " lines=" << edit->toPlainText().toStdString();
        state.push_back(s.str());
    }
    return state;
}

// The Options and Index pages get their controls when first shown: changes the session made
// to them before show, and the page looks as if the controls had been there all along.
TEST_F(WindowResourcesTest, PanelPagesMadeWhenShownShowEveryEarlierChange) {
    using qm::Control;
    struct Case {
        const char* name;
        bool index; // the Index page, or the Options page
        std::function<void(TForm1&)> changes;
    };
    const Case cases[] = {
        {"check boxes", false,
         [](TForm1& f) {
             f.setChecked(Control::TwoColCheckBox, true);
             f.setChecked(Control::DictCheckBox, true);
             f.setChecked(Control::TwoColCheckBox, false);
             f.setChecked(Control::SingleShadeBgCheckBox, true);
         }},
        {"colour scheme chosen, then none", false,
         [](TForm1& f) {
             f.setPosition(Control::BGColorRadioGroup, 2);
             f.setPosition(Control::BGColorRadioGroup, -1);
         }},
        {"texts, shown and disabled", false,
         [](TForm1& f) {
             f.setText(Control::PrintColButton, "Print");
             f.setText(Control::BGColorRadioGroup, "Colours");
             f.setVisible(Control::LoadingPrintColLabel, true);
             f.setEnabled(Control::PrintColButton, false);
             f.setVisible(Control::TwoColorCheckBox, false);
         }},
        {"index instructions, tree shown while searching", true,
         [](TForm1& f) {
             f.setLines(Control::IndexMemo, {"first", "second"});
             f.setVisible(Control::IndexPanel, false);
             f.setVisible(Control::InxTreeView, true);
             f.setVisible(Control::SearchingIndexLabel, true);
         }},
        {"the same controls changed over and over", false,
         [](TForm1& f) {
             for (int i = 0; i < 2000; ++i) {
                 f.setText(Control::PrintColButton, "Print " + std::to_string(i));
                 f.setEnabled(Control::PrintColButton, i % 3 != 0);
                 f.setChecked(Control::TwoColCheckBox, i % 2 == 0);
                 f.setPosition(Control::BGColorRadioGroup, i % 4 - 1);
             }
         }},
        {"entries selected, the tree reloaded between", true,
         [](TForm1& f) {
             for (int i = 0; i < 500; ++i) {
                 f.selectIndexNode(i % 3);
                 f.indexTreeChanged();
                 f.setLines(Control::IndexMemo, {std::to_string(i)});
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sheet = [&c](TForm1& f) -> qm::Sheet* {
            return c.index ? f.IndexTabSheet : f.OptionsTabSheet;
        };
        auto built = [&c](const TForm1& f) {
            return c.index ? f.indexPageBuilt() : f.optionsBuilt();
        };
        // The controls made before the window is shown, the page then shown and changed.
        start(QM_BINARY_DIR "/bin", "", false);
        if (c.index)
            form->indexPage();
        else
            form->options();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->PageControl2->setCurrentWidget(sheet(*form));
        c.changes(*form);
        const std::vector<std::string> changedWhileShown = pageState(sheet(*form));
        form.reset();
        // Changed first, then shown.
        start(QM_BINARY_DIR "/bin", "");
        EXPECT_FALSE(form->optionsBuilt());
        EXPECT_FALSE(form->indexPageBuilt());
        c.changes(*form);
        EXPECT_FALSE(built(*form));
        // What is kept is the last change of each kind to each control, however many came.
        EXPECT_LE(form->changesKeptForLater(), 40u);
        form->PageControl2->setCurrentWidget(sheet(*form));
        ASSERT_TRUE(built(*form));
        EXPECT_EQ(pageState(sheet(*form)), changedWhileShown);
        EXPECT_GT(changedWhileShown.size(), 5u);
        form.reset();
    }
}

// The start-up style hands out the extension buttons' icons unread, and they show the base
// style's pictures when drawn; every other icon is the base style's at once.
TEST_F(WindowResourcesTest, TheStartUpStyleDefersOnlyTheExtensionIcons) {
    qm::StartupStyle style(QApplication::style()->name());
    const QStyle* base = style.baseStyle();
    for (const auto which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_DialogOkButton, QStyle::SP_ArrowUp}) {
        SCOPED_TRACE(static_cast<int>(which));
        const QIcon icon = style.standardIcon(which);
        const QIcon expected = base->standardIcon(which);
        const QImage drawn = icon.pixmap(QSize(16, 16)).toImage();
        EXPECT_EQ(drawn, expected.pixmap(QSize(16, 16)).toImage());
        EXPECT_EQ(icon.availableSizes(), expected.availableSizes());
    }
}

TEST_F(WindowResourcesTest, TheProbeTurnsPagesAndLoadsTheIndexAsTheHarnessAsks) {
    // PageDown: the Reading page comes forward and each press is timed to its frame.
    QFile text(dataPath("long.tvt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Long\r\n");
    for (int i = 0; i < 400; ++i)
        text.write(QByteArray("l04line ") + QByteArray::number(i) + "\r\n");
    text.write("END\r\n");
    text.close();
    std::string out = runProbe("pagedown:3", [this] {
        start(QM_BINARY_DIR "/bin", dataPath("long.tvt").toStdString(), false);
        form->show();
    });
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
    std::istringstream lines(out);
    std::string first, page, times;
    std::getline(lines, first);
    std::getline(lines, page);
    std::getline(lines, times);
    EXPECT_EQ(first, "first paint");
    EXPECT_EQ(page, "page " + std::to_string(form->Image1->width()) + "x" +
                        std::to_string(form->Image1->height()));
    std::istringstream words(times);
    std::string key;
    double t = 0;
    int count = 0;
    words >> key;
    EXPECT_EQ(key, "pagedown_ms");
    while (words >> t) {
        EXPECT_GT(t, 0.0);
        ++count;
    }
    EXPECT_EQ(count, 3);
    EXPECT_GT(form->session().topLine(), 0); // the presses turned pages
    // Last, the process's own peak, which the harness takes over the kernel's figure.
    std::string peak;
    std::getline(lines, peak);
    EXPECT_EQ(peak.rfind("peak_kb ", 0), 0u) << out;
    EXPECT_GT(std::atol(peak.c_str() + std::min<std::size_t>(peak.size(), 8)), 0) << out;

    // Index: the program folder holds the collection's index; the button loads it. (The probe
    // quits, which closes the window.)
    form.reset();
    QDir().mkpath(dataPath("program"));
    QFile index(dataPath("program/quillmar.tvx"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("alpha|000000012|0000000034\r\nbeta|000000056\r\n");
    index.close();
    out = runProbe("index", [this] { start(dataPath("program"), "", true); });
    EXPECT_NE(out.find("\nindex_ms "), std::string::npos) << out;
    EXPECT_NE(out.find("\nindex_added_kb "), std::string::npos) << out;
    EXPECT_EQ(form->PageControl2->currentWidget(), form->IndexTabSheet);
    EXPECT_TRUE(form->indexPage().InxTreeView->isVisibleTo(form->IndexTabSheet));
    EXPECT_EQ(form->indexPage().InxTreeView->model()->rowCount(), 1); // the root "Index"
}

} // namespace
