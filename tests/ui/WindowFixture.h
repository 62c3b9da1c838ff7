#pragma once
// The fixture of the end-to-end window tests: a real main window over a temporary data folder,
// offscreen, with a watch for unexpected windows.
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

namespace windowtest {

using qm::Control;
using qm::TForm1;

// Lines held as strings, or the display lines.
template <class List> int indexOfLine(const List& lines, const std::string& part) {
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
        form->tocTree()->scrollToItem(item);
        const QRect r = form->tocTree()->visualItemRect(item);
        QTest::mouseClick(form->tocTree()->viewport(), Qt::LeftButton, {}, r.center());
    }

    // Clicks the expand box in front of a node.
    void clickExpandBox(int absoluteIndex) {
        QTreeWidgetItem* item = form->tocItem(absoluteIndex);
        ASSERT_NE(item, nullptr);
        const QRect r = form->tocTree()->visualItemRect(item);
        const QPoint box(r.left() - form->tocTree()->indentation() / 2, r.center().y());
        QTest::mouseClick(form->tocTree()->viewport(), Qt::LeftButton, {}, box);
    }

    int storyNode(const char* refpt) { return indexOfLine(session().catalogue(), refpt); }
    int storyTitleLine(const char* refpt) {
        const int tag = indexOfLine(session().displayLines(), std::string("|") + refpt + ">");
        return tag < 0 ? -1 : tag + 1;
    }

    void openStory(const char* refpt) {
        showContents();
        clickTocNode(storyNode(refpt));
        ASSERT_EQ(session().topLine(), storyTitleLine(refpt));
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

} // namespace windowtest
