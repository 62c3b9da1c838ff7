// The headless runner and the real window, given the same start-up and the same actions,
// end on the same page: the same top line, next top line and number of display lines.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Widgets.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Actions {
    const char* label;
    int tocNode = -1; // a story of the contents tree, clicked first
    int fontSize = 0;
    bool twoColumns = false;
    int next = 0;
    int prev = 0;
};

std::string pageInfo(const qm::Session& s) {
    return "top line " + std::to_string(s.topLine()) + ", next top line " +
           std::to_string(s.nextTopLine()) + ", lines " + std::to_string(s.displayLines().size()) +
           "\n";
}

class HeadlessMatchesWindow : public ::testing::Test {
protected:
    void SetUp() override { uitest::ensureApplication(); }

    std::string exePath() const { return std::string(QM_BINARY_DIR) + "/bin/quillmar"; }

    // Runs the actions in the window, as a user does them; returns the page information and
    // the size of the reading page the window drew on.
    std::string inWindow(const Actions& a, QSize& pageSize) {
        QTemporaryDir data;
        qm::TForm1 form(*m_fs, m_platform);
        form.create({exePath(), data.path().toStdString() + "/", ""});
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        if (a.tocNode >= 0) {
            QTest::mouseClick(form.OKButton, Qt::LeftButton);
            QTreeWidgetItem* item = form.tocItem(a.tocNode);
            EXPECT_NE(item, nullptr);
            if (!item) return {};
            for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
                form.expandTocNode(form.tocIndexOf(p));
            form.tocTree()->scrollToItem(item);
            const QRect r = form.tocTree()->visualItemRect(item);
            QTest::mouseClick(form.tocTree()->viewport(), Qt::LeftButton, {}, r.center());
        }
        if (a.twoColumns || a.fontSize) form.PageControl2->setCurrentWidget(form.OptionsTabSheet);
        if (a.twoColumns) QTest::mouseClick(form.options().TwoColCheckBox, Qt::LeftButton);
        if (a.fontSize) {
            form.PageControl2->setCurrentWidget(form.ControlsTabSheet);
            form.FontSizeTrackBar->setValue(a.fontSize);
        }
        form.PageControl2->setCurrentWidget(form.ControlsTabSheet);
        // The page keys, which work whatever state the buttons are in.
        for (int i = 0; i < a.next; ++i)
            QTest::keyClick(form.Image1, Qt::Key_PageDown);
        for (int i = 0; i < a.prev; ++i)
            QTest::keyClick(form.Image1, Qt::Key_PageUp);
        const qm::Surface* surface = form.session().surface();
        pageSize = QSize(surface->width(), surface->height());
        const std::string info = pageInfo(form.session());
        form.close();
        return info;
    }

    // The same actions through the command line's headless run, on a page of that size.
    std::string headless(const Actions& a, QSize pageSize) {
        QTemporaryDir data;
        std::vector<std::string> args = {"--size", std::to_string(pageSize.width()) + "x" +
                                                       std::to_string(pageSize.height())};
        const auto add = [&args](const char* option, int value) {
            args.emplace_back(option);
            args.push_back(std::to_string(value));
        };
        if (a.tocNode >= 0) add("--toc", a.tocNode);
        if (a.twoColumns) args.emplace_back("--two-columns");
        if (a.fontSize) add("--font-size", a.fontSize);
        if (a.next) add("--next", a.next);
        if (a.prev) add("--prev", a.prev);
        args.emplace_back("--page-info");
        const auto parsed = qm::parseCommandLine(args);
        EXPECT_EQ(parsed.error, "");
        std::ostringstream out, err;
        const int code = qm::runHeadless(parsed.options, exePath(), data.path().toStdString() + "/",
                                         *m_fs, m_platform, out, err);
        EXPECT_EQ(code, 0) << err.str();
        return out.str();
    }

    std::unique_ptr<qm::FileSystem> m_fs = qm::makeRealFileSystem();
    qm::QtPlatform m_platform;
};

TEST_F(HeadlessMatchesWindow, TheSameActionsEndOnTheSamePage) {
    const Actions cases[] = {
        {"fresh start"},
        {"one page on", -1, 0, false, 1},
        {"three on, one back", -1, 0, false, 3, 1},
        {"larger type, one on", -1, 24, false, 1},
        {"two columns, two on", -1, 0, true, 2},
        {"a story, one on", 6, 0, false, 1},
        {"a story in two columns, two on, one back", 6, 0, true, 2, 1},
    };
    for (const auto& a : cases) {
        SCOPED_TRACE(a.label);
        QSize pageSize;
        const std::string window = inWindow(a, pageSize);
        ASSERT_FALSE(window.empty());
        EXPECT_EQ(headless(a, pageSize), window);
    }
}

} // namespace
