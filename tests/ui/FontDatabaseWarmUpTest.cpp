// Fonts looked up on the main thread while Qt's font database is being filled on another
// thread: each look-up waits for the one fill and finds the installed face at its size.
#include "ui/FontDatabaseWarmUp.h"
#include "UiSupport.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

TEST(FontDatabaseWarmUp, FontsLookedUpDuringTheFillAreTheInstalledFaces) {
    uitest::ensureApplication();
    struct Case {
        const char* family;
        int pixels;
    };
    const Case cases[] = {
        {"Liberation Sans", 11}, {"Liberation Serif", 13}, {"Liberation Sans", 20}};
    QStringList found;
    QList<int> sizes;
    {
        qm::FontDatabaseWarmUp warmUp;
        for (const Case& c : cases) {
            QFont font(c.family);
            font.setPixelSize(c.pixels);
            const QFontInfo info(font);
            found << info.family();
            sizes << info.pixelSize();
        }
        warmUp.join();
    }
    const QStringList installed = QFontDatabase::families();
    for (qsizetype i = 0; i < found.size(); ++i) {
        const Case& c = cases[i];
        if (!installed.contains(c.family)) GTEST_SKIP() << "font not installed: " << c.family;
        EXPECT_EQ(found[i], c.family);
        EXPECT_EQ(sizes[i], c.pixels) << c.family;
    }
}
