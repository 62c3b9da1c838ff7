// The menu keys reach the menu bar through the key preview: F10, and Alt pressed and released
// alone, open the first menu; every other key still goes to the page keys only.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Widgets.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    const char* label;
    std::vector<std::pair<Qt::Key, bool>> keys; // key, pressed (or released)
    Qt::KeyboardModifiers heldWithLast;
    bool menuOpens;
};

TEST(MenuKeys, F10AndALoneAltOpenTheMenuBarOtherKeysDoNot) {
    uitest::ensureApplication();
    QTemporaryDir data;
    auto fs = qm::makeRealFileSystem();
    qm::QtPlatform platform;
    qm::TForm1 form(*fs, platform);
    form.create(
        {std::string(QM_BINARY_DIR) + "/bin/quillmar", data.path().toStdString() + "/", ""});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    const KeyCase cases[] = {
        {"F10", {{Qt::Key_F10, true}, {Qt::Key_F10, false}}, Qt::NoModifier, true},
        {"Alt alone", {{Qt::Key_Alt, true}, {Qt::Key_Alt, false}}, Qt::NoModifier, true},
        {"Alt with a letter",
         {{Qt::Key_Alt, true}, {Qt::Key_X, true}, {Qt::Key_X, false}, {Qt::Key_Alt, false}},
         Qt::AltModifier,
         false},
        {"Shift F10", {{Qt::Key_F10, true}, {Qt::Key_F10, false}}, Qt::ShiftModifier, false},
        {"a letter", {{Qt::Key_X, true}, {Qt::Key_X, false}}, Qt::NoModifier, false},
        {"Escape", {{Qt::Key_Escape, true}, {Qt::Key_Escape, false}}, Qt::NoModifier, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QWidget* target = form.tocTree();
        for (const auto& [key, press] : c.keys) {
            Qt::KeyboardModifiers mods =
                key == Qt::Key_Alt ? Qt::KeyboardModifiers(Qt::AltModifier) : c.heldWithLast;
            if (key == Qt::Key_Alt && !press) mods = Qt::NoModifier;
            if (press)
                QTest::keyPress(target, key, mods);
            else
                QTest::keyRelease(target, key, mods);
        }
        // Open: the first menu is shown, or the menu bar follows the keys from its first
        // menu (how a style may take a lone Alt).
        QMenuBar* bar = form.menuBar();
        QWidget* popup = QApplication::activePopupWidget();
        const bool barOnFirst =
            bar->hasFocus() && bar->activeAction() == form.FileMenu->menuAction();
        EXPECT_EQ(popup == form.FileMenu || barOnFirst, c.menuOpens);
        EXPECT_TRUE(!popup || popup == form.FileMenu);
        if (popup) popup->close();
        if (bar->hasFocus()) QTest::keyClick(bar, Qt::Key_Escape);
        form.tocTree()->setFocus();
        QTest::qWait(1);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_FALSE(bar->hasFocus());
    }
    form.close();
}

} // namespace
