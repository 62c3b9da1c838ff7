// The contents tree is made when its page first comes forward: whatever the session set on it
// before, the page then shows exactly what a tree made with the window would show.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Widgets.h"

#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using qm::TForm1;

// Everything the contents tree shows: its nodes with their depth, which are open and
// selected, its font, where it is scrolled to, and its pixels.
struct TreeShown {
    std::vector<std::string> nodes;
    std::string font;
    int scrolled = 0;
    QImage pixels;
};

TreeShown treeShown(TForm1& form) {
    TreeShown shown;
    QTreeWidget* tree = form.tocTree();
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        std::string node;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            node += "  ";
        node += (*it)->text(0).toStdString();
        if ((*it)->isExpanded()) node += " [open]";
        if (*it == tree->currentItem()) node += " [selected]";
        shown.nodes.push_back(node);
    }
    shown.font = tree->font().toString().toStdString();
    shown.scrolled = tree->verticalScrollBar()->value();
    shown.pixels = tree->grab().toImage();
    return shown;
}

qm::Tree sampleTree(int books, const char* prefix) {
    qm::Tree tree{{std::string(prefix) + " catalogue", -1}};
    for (int b = 0; b < books; ++b) {
        const int book = static_cast<int>(tree.size());
        tree.push_back({std::string(prefix) + " book " + std::to_string(b), 0});
        for (int c = 0; c < 6; ++c)
            tree.push_back({"chapter " + std::to_string(c), book});
    }
    return tree;
}

class ContentsTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        ASSERT_TRUE(m_data.isValid());
        m_fs = qm::makeRealFileSystem();
    }

    // A window as the program makes it, its contents tree made with it or left to be made
    // when first needed.
    std::unique_ptr<TForm1> start(bool treeFirst) {
        auto form = std::make_unique<TForm1>(*m_fs, m_platform);
        if (treeFirst) form->tocTree();
        form->create({std::string(QM_BINARY_DIR) + "/bin/quillmar",
                      m_data.filePath("data").toStdString() + "/", ""});
        form->resize(713, 460);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs;
    qm::QtPlatform m_platform;
};

TEST_F(ContentsTreeTest, ATreeMadeWhenItsPageComesForwardShowsEveryEarlierChange) {
    struct Case {
        const char* name;
        bool scrolls; // the selected node lies below the tree's first screen
        std::function<void(TForm1&)> changes;
    };
    const Case cases[] = {
        {"start-up alone", false, [](TForm1&) {}},
        {"font size moved by the user", false, [](TForm1& f) { f.FontSizeTrackBar->setValue(31); }},
        {"a deep node selected, scrolled to when shown", true,
         [](TForm1& f) {
             f.setTocFontSize(40);
             f.setTocTree(sampleTree(12, "deep"));
             f.selectTocNode(80);
         }},
        {"nodes opened and selected, then a new tree", false,
         [](TForm1& f) {
             f.setTocTree(sampleTree(3, "old"));
             f.expandTocNode(1);
             f.expandTocNode(8);
             f.selectTocNode(10);
             f.setTocTree(sampleTree(4, "new"));
             f.expandTocNode(15);
             f.expandTocNode(15);
             f.selectTocNode(17);
         }},
        {"nodes outside the tree, then an empty tree and one node", false,
         [](TForm1& f) {
             f.expandTocNode(500);
             f.selectTocNode(-1);
             f.setTocTree({});
             f.selectTocNode(0);
             f.setTocTree({{"alone", -1}});
             f.expandTocNode(0);
             f.selectTocNode(0);
             f.setTocFontSize(9);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TForm1> made = start(true);
        c.changes(*made);
        made->PageControl1->setCurrentWidget(made->TOCTabSheet);
        QCoreApplication::processEvents();
        const TreeShown expected = treeShown(*made);
        made.reset();

        std::unique_ptr<TForm1> kept = start(false);
        EXPECT_FALSE(kept->tocTreeBuilt());
        c.changes(*kept);
        EXPECT_FALSE(kept->tocTreeBuilt());
        kept->PageControl1->setCurrentWidget(kept->TOCTabSheet);
        QCoreApplication::processEvents();
        ASSERT_TRUE(kept->tocTreeBuilt());
        EXPECT_TRUE(kept->tocTree()->isVisible());
        const TreeShown shown = treeShown(*kept);
        EXPECT_EQ(shown.nodes, expected.nodes);
        EXPECT_EQ(shown.font, expected.font);
        EXPECT_EQ(shown.scrolled, expected.scrolled);
        EXPECT_TRUE(shown.pixels == expected.pixels);
        EXPECT_FALSE(expected.nodes.empty());
        EXPECT_EQ(expected.scrolled > 0, c.scrolls);
    }
}

} // namespace
