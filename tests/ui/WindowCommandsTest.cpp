// End-to-end tests through the real main window, offscreen: keys, the font size controls,
// bookmarks, the resume question, the index, shortcuts, a collection named at start-up and drops.
#include "core/testing/SessionTestAccess.h"
#include "ui/WindowFixture.h"

using namespace windowtest;
using qm::Control;
using qm::TForm1;

namespace {

TEST_F(WindowTest, ArrowKeysDoNotMoveTheContentsTreeSelection) {
    showContents();
    form->tocTree()->setFocus();
    QTreeWidgetItem* before = form->tocTree()->currentItem();
    ASSERT_NE(before, nullptr);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_End})
        QTest::keyClick(form->tocTree(), key);
    EXPECT_EQ(form->tocTree()->currentItem(), before);
    // The find dialog is another window: it keeps its own typing.
    form->FindItem->trigger();
    ASSERT_TRUE(form->FindDialog1->isVisible());
    QTest::keyClicks(form->FindDialog1->findText, "wind");
    EXPECT_EQ(form->FindDialog1->findText->text(), "wind");
}

// The Find dialog is made when Find is first asked for; made once, each Find Next searches once,
// and closing it reaches the session, however often it is opened.
TEST_F(WindowTest, TheFindDialogIsMadeOnceAndSearchesOncePerFindNext) {
    EXPECT_EQ(form->FindDialog1, nullptr);
    qm::FindDialog* first = nullptr;
    for (int opening = 0; opening < 3; ++opening) {
        SCOPED_TRACE(opening);
        form->FindItem->trigger();
        ASSERT_NE(form->FindDialog1, nullptr);
        if (!first) first = form->FindDialog1;
        EXPECT_EQ(form->FindDialog1, first);
        ASSERT_TRUE(form->FindDialog1->isVisible());
        EXPECT_TRUE(session().findDialogShowing());

        // The word is on many pages: a second search per click would go a hit further.
        const int top = session().topLine(), next = session().nextTopLine();
        session().FindDialog1Find("the", true, false);
        const int once = session().topLine();
        qm::SessionTestAccess(session()).setTopLine(top);
        qm::SessionTestAccess(session()).setNextTopLine(next);
        form->FindDialog1->findText->setText("the");
        QTest::mouseClick(form->FindDialog1->findNext, Qt::LeftButton);
        EXPECT_EQ(session().topLine(), once);

        QTest::mouseClick(form->FindDialog1->cancel, Qt::LeftButton);
        EXPECT_FALSE(form->FindDialog1->isVisible());
        EXPECT_FALSE(session().findDialogShowing());
    }
}

TEST_F(WindowTest, TrackBarAndUpDownKeepEachOtherAndTheLabelInStep) {
    form->FontSizeTrackBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 16);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 16");
    EXPECT_EQ(form->FontSizeUpDown->position(), 16);
    EXPECT_EQ(form->tocTree()->font().pointSize(), 16);

    auto* up = form->FontSizeUpDown->findChildren<QToolButton*>().value(0);
    ASSERT_NE(up, nullptr);
    ASSERT_EQ(up->arrowType(), Qt::UpArrow);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 17);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 17");
    EXPECT_EQ(session().controls().position(Control::FontSizeTrackBar), 17);

    form->FontSizeTrackBar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(form->FontSizeUpDown->position(), 40);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form->FontSizeTrackBar->value(), 40);
    EXPECT_EQ(form->FontSizeLabel->text(), "Font Size = 40");
}

TEST_F(WindowTest, AddsANamedBookmarkAndGoesBackToIt) {
    openStory("refpt004");
    QTest::mouseClick(form->NextButton, Qt::LeftButton);
    const int marked = session().topLine();

    uitest::whenModal([](QWidget* w) {
        auto* dialog = qobject_cast<qm::TForm4*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText("Gerda sets out");
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
    });
    QTest::keyClick(form.get(), Qt::Key_D, Qt::ControlModifier);
    QFile bookmarks(QString::fromStdString(session().locations().bookmarkFile));
    ASSERT_TRUE(bookmarks.open(QIODevice::ReadOnly));
    EXPECT_TRUE(bookmarks.readAll().contains("Gerda sets out"));

    QTest::mouseClick(form->PrevButton, Qt::LeftButton);
    ASSERT_NE(session().topLine(), marked);

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
    EXPECT_EQ(session().topLine(), marked);
}

TEST_F(WindowTest, OffersToResumeWhereReadingStopped) {
    for (const bool answer : {true, false}) {
        SCOPED_TRACE(answer ? "Yes" : "No");
        openStory("refpt003");
        QTest::mouseClick(form->NextButton, Qt::LeftButton);
        QTest::mouseClick(form->NextButton, Qt::LeftButton);
        const int stopped = session().topLine();
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
        clickTocNode(indexOfLine(session().catalogue(), "<<2qdemo"));
        EXPECT_EQ(asked, "Do you want to start reading where you last closed the file?");
        EXPECT_EQ(session().topLine(), answer ? stopped : 0);
    }
}

TEST_F(WindowTest, LoadsTheBooksIndexAndFollowsAReference) {
    if (!QFile::exists(QString(QM_BINARY_DIR) + "/bin/qdemo.tvx"))
        GTEST_SKIP() << "the book's word index is not built";
    openStory("refpt001");
    const int indexTab = form->PageControl2->indexOf(form->IndexTabSheet);
    ASSERT_TRUE(form->PageControl2->isTabVisible(indexTab));
    form->PageControl2->setCurrentIndex(indexTab);
    QTest::mouseClick(form->indexPage().IndexLoadButton, Qt::LeftButton);
    ASSERT_TRUE(form->indexPage().InxTreeView->isVisible());
    EXPECT_FALSE(form->indexPage().IndexPanel->isVisible());
    EXPECT_TRUE(form->indexPage().IndexLoadButton->isEnabled());

    // Open the first letter and its first word by their expand boxes, then click the word's
    // first reference.
    QAbstractItemModel* model = form->indexPage().InxTreeView->model();
    const QModelIndex letter = form->indexPage().InxTreeView->currentIndex();
    ASSERT_TRUE(letter.isValid());
    const QModelIndex word = model->index(0, 0, letter);
    auto clickBox = [this](const QModelIndex& index) {
        const QRect r = form->indexPage().InxTreeView->visualRect(index);
        QTest::mouseClick(
            form->indexPage().InxTreeView->viewport(), Qt::LeftButton, {},
            QPoint(r.left() - form->indexPage().InxTreeView->indentation() / 2, r.center().y()));
    };
    clickBox(letter);
    ASSERT_TRUE(form->indexPage().InxTreeView->isExpanded(letter));
    clickBox(word);
    ASSERT_TRUE(form->indexPage().InxTreeView->isExpanded(word));
    const QModelIndex reference = model->index(0, 0, word);
    const int line = model->data(reference).toString().trimmed().toInt();
    QTest::mouseClick(form->indexPage().InxTreeView->viewport(), Qt::LeftButton, {},
                      form->indexPage().InxTreeView->visualRect(reference).center());
    // The page shows the line with a few lines of context above it.
    EXPECT_LE(session().topLine(), line);
    EXPECT_GT(session().nextTopLine(), line);
    EXPECT_FALSE(form->indexPage().SearchingIndexLabel->isVisible());
    EXPECT_EQ(form->indexPage().InxTreeView->height(), form->IndexTabSheet->height());
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return session().catalogueSourceFile() == path.toStdString(); }, 2000));

    EXPECT_EQ(session().currentTextPath(), "");
    EXPECT_EQ(session().locations().catalogueExtension, ".cdb");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TOCTabSheet);
    ASSERT_EQ(form->tocTree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = form->tocTree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Shelf");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "The Nightingale");
    EXPECT_TRUE(form->BMMenu->menuAction()->isVisible());
}

TEST_F(WindowTest, ADroppedTextOpensAsOpenFileWould) {
    const QString path =
        QDir(QString::fromStdString(session().locations().dataFolder)).filePath("story.tvt");
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

    EXPECT_EQ(session().currentTextPath(), path.toStdString());
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
    EXPECT_FALSE(form->BMMenu->menuAction()->isVisible());
    EXPECT_EQ(form->windowTitle(), "Quillmar");
}

} // namespace
