// Book files in the real window: named at start-up or dropped, a book is opened off the
// window's thread and shows its chapters in the contents tree and its text on the page; a
// book that cannot be read shows its message.
#include "WindowFixture.h"

#include <QProgressDialog>

namespace {

using windowtest::WindowTest;

const char* const kBook =
    "<html><head><title>Two Tales</title></head><body><h1>The First Tale</h1>"
    "<p>She read <i>Emma</i> twice.</p><h1>The Second Tale</h1><p>Done at last.</p>"
    "</body></html>";

QString writeFile(const QString& path, const char* bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

void drop(qm::TForm1& form, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(20, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
}

TEST_F(WindowTest, ABookNamedAtStartUpOrDroppedShowsItsChaptersAndItsText) {
    for (const bool atStartUp : {true, false}) {
        SCOPED_TRACE(atStartUp ? "named at start-up" : "dropped");
        const QString path = writeFile(dataPath(atStartUp ? "tales.html" : "dropped.htm"), kBook);
        if (atStartUp) {
            start(path.toStdString());
        } else {
            start("");
            drop(*form, path);
        }
        // The book is made on a worker thread; the window shows it when it is there.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return session().currentTextPath().find("/library/") != std::string::npos; },
            20000));
        // The book once, at the top, its chapters directly under it.
        ASSERT_EQ(form->tocTree()->topLevelItemCount(), 1);
        QTreeWidgetItem* book = form->tocTree()->topLevelItem(0);
        ASSERT_NE(book, nullptr);
        EXPECT_EQ(book->text(0), "Two Tales");
        ASSERT_EQ(book->childCount(), 2);
        EXPECT_EQ(book->child(0)->text(0), "The First Tale");
        EXPECT_EQ(book->child(1)->text(0), "The Second Tale");
        EXPECT_EQ(form->PageControl1->currentWidget(), form->ReadTabSheet);
        EXPECT_TRUE(form->pageText().contains("Emma")) << form->pageText().toStdString();
        EXPECT_EQ(form->windowTitle(), "Quillmar -- Two Tales");
        // The progress dialog is gone once the book is shown.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return form->findChild<QProgressDialog*>("BookProgressDialog") == nullptr; }));

        // A click on a chapter opens the book there.
        clickTocNode(2);
        EXPECT_TRUE(form->pageText().contains("Done") && !form->pageText().contains("Emma"))
            << form->pageText().toStdString();
    }
}

TEST_F(WindowTest, ABookThatCannotBeReadShowsItsMessage) {
    const QString path = writeFile(dataPath("broken.epub"), "PK\x03\x04 no archive here");
    QString shown;
    uitest::whenModal([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            shown = box->text();
            box->accept();
        }
    });
    drop(*form, path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 10000));
    EXPECT_TRUE(shown.startsWith("Cannot open broken.epub: ")) << shown.toStdString();
    EXPECT_EQ(session().currentTextPath(), "");
    EXPECT_FALSE(QDir(dataPath("library")).exists());
}

} // namespace
