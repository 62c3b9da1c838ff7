// A font looked up on the main thread while Qt's font database is being filled on another
// thread waits for the one fill and finds the installed face at its size.
#include "ui/FontWarmUp.h"
#include "UiSupport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

TEST(FontDatabaseWarmUp, FontLookedUpDuringTheFillIsTheInstalledFace) {
    uitest::ensureApplication();
    QFont font("Liberation Serif");
    font.setPixelSize(13);
    qm::FontDatabaseWarmUp warmUp;
    const QFontInfo info(font);
    warmUp.join();
    if (!QFontDatabase::families().contains("Liberation Serif"))
        GTEST_SKIP() << "font not installed: Liberation Serif";
    EXPECT_EQ(info.family(), "Liberation Serif");
    EXPECT_EQ(info.pixelSize(), 13);
}
