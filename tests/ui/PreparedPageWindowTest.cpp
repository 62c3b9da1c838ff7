// The window draws the next page ahead once the page has painted; PageDown shows the pixels of a
// window that draws it after the key, also when the font size changed after the drawing ahead.
#include "UiSupport.h"
#include "core/port/FileSystem.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Widgets.h"

#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage shown(qm::TForm1& form) {
    return form.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(PreparedPageWindow, PageDownShowsTheSamePixelsWithOrWithoutThePageDrawnAhead) {
    uitest::ensureApplication();
    QTemporaryDir data;
    QFile text(data.filePath("long.tvt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Long\r\n");
    for (int i = 0; i < 300; ++i) // fixed pitch on and off across pages
        text.write("l04line " + QByteArray::number(i) +
                   (i % 25 == 3    ? " |f>fixed\r\n"
                    : i % 25 == 15 ? " |n>serif\r\n"
                                   : "\r\n"));
    text.write("END\r\n");
    text.close();
    const auto fs = qm::makeRealFileSystem();
    qm::QtPlatform platform;
    const auto open = [&](bool ahead, const QString& folder) {
        auto form = std::make_unique<qm::TForm1>(*fs, platform);
        if (!ahead) form->session().setSpareSurface(nullptr);
        EXPECT_TRUE(QDir().mkpath(data.filePath(folder)));
        form->create({std::string(QM_BINARY_DIR) + "/bin/quillmar",
                      data.filePath(folder).toStdString() + "/", text.fileName().toStdString()});
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->PageControl1->setCurrentWidget(form->ReadTabSheet);
        return form;
    };
    for (const int fontSize : {0, 22}) {
        SCOPED_TRACE(fontSize);
        auto ahead = open(true, "a"), direct = open(false, "b");
        for (int turn = 0; turn < 3; ++turn) {
            SCOPED_TRACE(turn);
            EXPECT_TRUE(QTest::qWaitFor([&] { return ahead->session().nextPagePrepared(); }));
            EXPECT_FALSE(direct->session().nextPagePrepared());
            // The page shown gave its image to the next one and paints from its drawings.
            EXPECT_EQ(shown(*ahead), shown(*direct));
            if (fontSize && turn == 1) {
                ahead->FontSizeTrackBar->setValue(fontSize);
                direct->FontSizeTrackBar->setValue(fontSize);
            }
            const int top = ahead->session().topLine();
            QTest::keyClick(ahead->Image1, Qt::Key_PageDown);
            QTest::keyClick(direct->Image1, Qt::Key_PageDown);
            EXPECT_GT(ahead->session().topLine(), top);
            ASSERT_EQ(shown(*ahead), shown(*direct));
        }
    }
}

} // namespace
