// The window draws the next page ahead once the reading page has painted; PageDown shows the
// same pixels as a window that draws it after the key, also when the font size changed after
// the drawing ahead.
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

class PreparedPageWindow : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ensureApplication();
        QFile text(m_data.filePath("long.tvt"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("Long\r\n");
        for (int i = 0; i < 300; ++i)
            text.write((i % 7 == 0 ? QByteArray("p1\r\n") : QByteArray("l04line ")) +
                       QByteArray::number(i) +
                       (i % 25 == 3    ? " |f>fixed\r\n"
                        : i % 25 == 15 ? " |n>serif\r\n"
                                       : "\r\n"));
        text.write("END\r\n");
    }

    // A window reading the text on its reading page, drawing ahead or not.
    std::unique_ptr<qm::TForm1> open(bool ahead, const char* folder) {
        auto form = std::make_unique<qm::TForm1>(*m_fs, m_platform);
        if (!ahead) form->session().setSpareSurface(nullptr);
        EXPECT_TRUE(QDir().mkpath(m_data.filePath(folder)));
        form->create({std::string(QM_BINARY_DIR) + "/bin/quillmar",
                      m_data.filePath(folder).toStdString() + "/",
                      m_data.filePath("long.tvt").toStdString()});
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->PageControl1->setCurrentWidget(form->ReadTabSheet);
        QTest::qWait(20); // painted
        return form;
    }

    QTemporaryDir m_data;
    std::unique_ptr<qm::FileSystem> m_fs = qm::makeRealFileSystem();
    qm::QtPlatform m_platform;
};

TEST_F(PreparedPageWindow, PageDownShowsTheSamePixelsWithOrWithoutThePageDrawnAhead) {
    for (const int fontSize : {0, 22}) {
        SCOPED_TRACE(fontSize);
        auto ahead = open(true, "a");
        auto direct = open(false, "b");
        const auto rgb = [](const QImage& image) {
            return image.convertToFormat(QImage::Format_RGB32);
        };
        for (int turn = 0; turn < 3; ++turn) {
            SCOPED_TRACE(turn);
            // Drawn ahead once the page has painted and the event loop has been idle.
            EXPECT_TRUE(QTest::qWaitFor([&] { return ahead->session().nextPagePrepared(); }));
            // Meanwhile the page shown gave its image to the next one and paints from its drawings.
            EXPECT_EQ(rgb(ahead->Image1->grab().toImage()), rgb(direct->Image1->grab().toImage()));
            EXPECT_FALSE(direct->session().nextPagePrepared());
            if (fontSize && turn == 1) {
                ahead->FontSizeTrackBar->setValue(fontSize + turn);
                direct->FontSizeTrackBar->setValue(fontSize + turn);
            }
            const int top = ahead->session().topLine();
            QTest::keyClick(ahead->Image1, Qt::Key_PageDown);
            QTest::keyClick(direct->Image1, Qt::Key_PageDown);
            EXPECT_GT(ahead->session().topLine(), top);
            EXPECT_EQ(ahead->session().nextTopLine(), direct->session().nextTopLine());
            const QImage shown = rgb(ahead->Image1->grab().toImage());
            ASSERT_EQ(shown, rgb(direct->Image1->grab().toImage()));
            EXPECT_EQ(shown, rgb(ahead->pageImage().copy(QRect(QPoint(0, 0), shown.size()))));
        }
    }
}

} // namespace
