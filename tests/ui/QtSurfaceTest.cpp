#include "ui/QtSurface.h"
#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/view/ColourSchemes.h"
#include "core/testing/PictureFiles.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The tests of this program share one application object; whoever comes first makes it.
void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

class QtSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
};

// Picture files for the surface to read, in a folder of their own for the whole run.
std::string pictureFile(const std::string& name, const std::string& bytes) {
    static QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/" + name;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        ADD_FAILURE() << "cannot write " << path;
    return path;
}

TEST_F(QtSurfaceTest, DecodesWindows1252ForDisplay) {
    struct Case {
        unsigned char byte;
        char16_t shown;
    };
    const Case cases[] = {{'A', u'A'},    {0x80, 0x20AC}, {0x85, 0x2026}, {0x92, 0x2019},
                          {0x9F, 0x0178}, {0x81, 0x0081}, {0x9D, 0x009D}, {0xA0, 0x00A0},
                          {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x00, u' '},   {0x09, u' '},
                          {0x7F, u' '},   {0x7E, u'~'}};
    for (const auto& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        const QString s = qm::QtSurface::decode(byte);
        ASSERT_EQ(s.size(), 1);
        EXPECT_EQ(s.at(0).unicode(), c.shown) << int(c.byte);
    }
    EXPECT_EQ(qm::QtSurface::decode(std::string("a\0b", 3)), QString("a b"));
}

TEST_F(QtSurfaceTest, ColoursAndSystemColours) {
    qm::QtSurface surface(10, 10);
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    palette.setColor(QPalette::PlaceholderText, QColor(7, 8, 9));
    surface.setPalette(palette);
    EXPECT_EQ(surface.resolve(0x462F39), QColor(0x39, 0x2F, 0x46));
    EXPECT_EQ(surface.resolve(0x808080), QColor(128, 128, 128));
    EXPECT_EQ(surface.resolve(qm::kSystemWindow), QColor(1, 2, 3));
    EXPECT_EQ(surface.resolve(qm::kSystemWindowText), QColor(4, 5, 6));
    EXPECT_EQ(surface.resolve(qm::kSystemGrayText), QColor(7, 8, 9));
}

TEST_F(QtSurfaceTest, FontsMapToInstalledFacesAndKeepTheirNames) {
    qm::QtSurface surface(100, 100);
    EXPECT_EQ(surface.fontName(), "MS Sans Serif");
    const std::pair<const char*, const char*> faces[] = {{"Times New Roman", "Liberation Serif"},
                                                         {"Courier New", "Liberation Mono"},
                                                         {"MS Sans Serif", "Liberation Sans"}};
    for (const auto& [name, family] : faces) {
        surface.setFontName(name);
        EXPECT_EQ(surface.fontName(), name);
        QFont font(qm::QtSurface::familyFor(name));
        EXPECT_EQ(QFontInfo(font).family(), family) << "is fonts-liberation installed?";
        font.setPixelSize(20);
        surface.setFontSize(15);
        EXPECT_EQ(surface.textHeight("X"), QFontMetrics(font).height()) << name;
        EXPECT_EQ(surface.textWidth("the wind rose"),
                  QFontMetrics(font).horizontalAdvance("the wind rose"))
            << name;
    }
    // Fixed pitch: every character as wide as the next.
    surface.setFontName("Courier New");
    EXPECT_EQ(surface.textWidth("iiii"), surface.textWidth("WWWW"));
}

// Shrinking a line tries a few sizes and relies on widths never getting smaller as the size
// grows; this holds for every face, style and size the reader uses.
TEST_F(QtSurfaceTest, WidthsGrowWithTheSize) {
    qm::QtSurface surface(100, 100);
    const std::string samples[] = {"        It is a truth universally acknowledged, ",
                                   "iiiiiiiiiiiiiiii", "W", "\x93quoted\x94 \x85"};
    for (const char* name : {"Times New Roman", "Courier New", "MS Sans Serif"}) {
        for (int styleBits = 0; styleBits < 8; ++styleBits) {
            surface.setFontName(name);
            surface.setFontStyle(
                {(styleBits & 1) != 0, (styleBits & 2) != 0, (styleBits & 4) != 0});
            for (const auto& text : samples) {
                int previous = 0;
                for (int size = 4; size <= 40; ++size) {
                    surface.setFontSize(size);
                    const int w = surface.textWidth(text);
                    EXPECT_GE(w, previous)
                        << name << " " << styleBits << " " << size << " " << text;
                    EXPECT_EQ(surface.textWidth(text), w) << "the kept width is the measured one";
                    previous = w;
                }
            }
        }
    }
}

// The image is made when first drawn on or looked at, at the page's size then; a fill of the
// whole page before that only chooses the colour it starts with; a held surface measures and
// keeps its state but paints nothing.
TEST_F(QtSurfaceTest, MakesItsImageWhenFirstUsedAndPaintsNothingWhileHeld) {
    struct Case {
        const char* name;
        bool held;
        bool fillWholePageFirst;
        QColor expectedAt10; // pixel (10, 10), where the partial fill and the text are
    };
    const Case cases[] = {
        {"drawn", false, true, QColor(0, 0, 255)},
        {"drawn without a whole fill", false, false, QColor(0, 0, 255)},
        {"held", true, true, QColor(255, 0, 0)},
        {"held without a whole fill", true, false, QColor(Qt::white)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qm::QtSurface surface(1920, 1080);
        surface.resize(300, 200); // laid out before anything was drawn
        surface.setHeld(c.held);
        if (c.fillWholePageFirst) {
            surface.setBrushColor(0x0000FF); // red, as 0x00BBGGRR
            surface.fillRect(0, 0, 300, 200);
        }
        surface.setBrushColor(0xFF0000); // blue
        surface.fillRect(5, 5, 40, 40);
        const int width = surface.textWidth("measured");
        surface.textOut(50, 50, "measured");
        surface.flush();
        EXPECT_GT(width, 0);
        const QImage& image = surface.image();
        EXPECT_EQ(image.size(), QSize(300, 200));
        EXPECT_EQ(image.pixelColor(10, 10), c.expectedAt10);
        EXPECT_EQ(image.pixelColor(299, 199),
                  c.fillWholePageFirst ? QColor(255, 0, 0) : QColor(Qt::white));
        // Released, it paints again, and keeps what it was given.
        surface.setHeld(false);
        surface.fillRect(5, 5, 40, 40);
        surface.flush();
        EXPECT_EQ(surface.image().pixelColor(10, 10), QColor(0, 0, 255));
        surface.resize(400, 100);
        EXPECT_EQ(surface.image().size(), QSize(400, 200)); // grows, never shrinks
    }
}

// Drawings kept while the page is not in front come out exactly as drawings painted at once,
// whether the image is looked at while deferred or the deferral ends first; a page kept from a
// fill that covers it paints the same pixels straight onto another painter.
TEST_F(QtSurfaceTest, DrawingsKeptWhileDeferredPaintAsDrawnAtOnce) {
    using Steps = std::function<void(qm::QtSurface&)>;
    const auto text = [](qm::QtSurface& s, int x, int y, qm::Color colour) {
        s.setFontName(qm::kSerifFont);
        s.setFontSize(15);
        s.setFontColor(colour);
        s.textOut(x, y, "kept until shown");
    };
    const struct {
        const char* name;
        bool wholePageKept; // a fill covering the page is among the kept drawings
        Steps steps;
    } cases[] = {
        {"fills, text and a line", true,
         [&](qm::QtSurface& s) {
             s.setBrushColor(0x00FF00);
             s.fillRect(0, 0, 300, 200);
             s.setBrushColor(0xFF0000);
             s.fillRect(5, 5, 120, 40);
             text(s, 10, 10, 0x0000FF);
             s.setPen(3, 0x00FFFF);
             s.line(0, 199, 299, 0);
         }},
        {"a whole fill over earlier drawings", true,
         [&](qm::QtSurface& s) {
             text(s, 10, 10, 0x000000);
             s.image(); // made before the fill
             s.setBrushColor(0xFFFFFF);
             text(s, 20, 60, 0x0000FF);
             s.fillRect(0, 0, 300, 200);
             text(s, 30, 90, 0xFF00FF);
         }},
        {"text past the edge, then the page grows", false,
         [&](qm::QtSurface& s) {
             text(s, 250, 20, 0x000000);
             s.resize(400, 250);
             s.setBrushColor(0x808080);
             s.fillRect(0, 150, 400, 250);
             text(s, 250, 120, 0x0000FF);
         }},
        {"a picture over a fill", true,
         [&](qm::QtSurface& s) {
             s.setBrushColor(0xFFFFFF);
             s.fillRect(0, 0, 300, 200);
             EXPECT_TRUE(s.drawPicture(pictureFile("kept.png", qmtest::tinyPng()), 20, 20, 100, 80));
         }},
        {"more drawings than are kept", false,
         [&](qm::QtSurface& s) {
             for (int i = 0; i < 5000; ++i) {
                 s.setBrushColor(static_cast<qm::Color>(i * 2654435761u) & 0xFFFFFF);
                 s.fillRect(i % 290, (i / 290) * 10, i % 290 + 10, (i / 290) * 10 + 10);
             }
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qm::QtSurface atOnce(300, 200);
        c.steps(atOnce);
        const QImage expected = atOnce.image();
        for (const bool resumeFirst : {false, true}) {
            qm::QtSurface kept(300, 200);
            kept.setDeferred(true);
            c.steps(kept);
            if (resumeFirst) kept.setDeferred(false);
            EXPECT_EQ(kept.image(), expected) << (resumeFirst ? "resumed" : "looked at");
        }
        qm::QtSurface direct(300, 200);
        direct.setDeferred(true);
        c.steps(direct);
        QImage elsewhere(expected.size(), QImage::Format_RGB32);
        elsewhere.fill(Qt::black);
        QPainter painter(&elsewhere);
        ASSERT_EQ(direct.paintPage(painter), c.wholePageKept);
        painter.end();
        if (c.wholePageKept) {
            EXPECT_EQ(elsewhere, expected);
            // A part of the page painted again (a row's band) shows what the whole page
            // painted under the same clip does.
            for (const QRect area : {QRect(0, 62, 300, 20), QRect(0, 0, 300, 14)}) {
                QImage part(expected.size(), QImage::Format_RGB32), whole = part;
                for (const bool onlyPart : {false, true}) {
                    QImage& image = onlyPart ? part : whole;
                    image.fill(Qt::black);
                    QPainter clipped(&image);
                    clipped.setClipRect(area);
                    ASSERT_TRUE(direct.paintPage(clipped, onlyPart ? area : QRect()));
                }
                EXPECT_EQ(part, whole) << area.y();
            }
        }
        // Looking at the image paints what was kept: nothing is left to paint elsewhere.
        EXPECT_EQ(direct.image(), expected);
        EXPECT_FALSE(direct.paintPage(painter));
    }
}

struct SessionOnQt {
    SessionOnQt(int w, int h)
        : surface(w, h) {
        s.setSurface(&surface);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
    }
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::QtSurface surface;
};

TEST_F(QtSurfaceTest, DrawsTheDarkSchemeAndTheSameImageAgain) {
    SessionOnQt page(400, 300);
    qm::SessionTestAccess(page.s).setDisplayLines(
        {"     It is a truth|9> universally|4> acknowledged ", "          that a single man ",
         "p001", "     in possession ", "  |b>of a good fortune|n> ", "p999", "        END OF FILE",
         " "});
    page.s.BGColorRadioGroupClick(1);
    page.s.drawPage(0);
    const QImage first = page.surface.image().copy();
    EXPECT_EQ(first.pixelColor(0, 0), QColor(0x39, 0x2F, 0x46));
    EXPECT_EQ(first.pixelColor(399, 299), QColor(0x39, 0x2F, 0x46)) << "below the last row";
    // The text shows in the text colour somewhere on the first row.
    bool textSeen = false;
    for (int x = 0; x < 200 && !textSeen; ++x)
        for (int y = 5; y < 25 && !textSeen; ++y)
            textSeen = first.pixelColor(x, y) != QColor(0x39, 0x2F, 0x46);
    EXPECT_TRUE(textSeen);
    // The paragraph after the marker has the other shade.
    const int row = page.surface.textHeight("X");
    EXPECT_EQ(first.pixelColor(399, 5 + 3 * row + 1), QColor(0x38, 0x45, 0x45));

    // Drawn a second and third time (shaped text kept), the page is the same to the pixel.
    qm::SessionTestAccess(page.s).setCurrentShade(0);
    page.s.drawPage(0);
    qm::SessionTestAccess(page.s).setCurrentShade(0);
    page.s.drawPage(0);
    EXPECT_EQ(page.surface.image().copy(), first);
}

TEST_F(QtSurfaceTest, WindowsSchemeUsesThePalette) {
    SessionOnQt page(200, 100);
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(10, 20, 30));
    page.surface.setPalette(palette);
    qm::SessionTestAccess(page.s).setDisplayLines({"  a ", "  b ", " "});
    page.s.BGColorRadioGroupClick(2);
    page.s.drawPage(0);
    EXPECT_EQ(page.surface.image().pixelColor(0, 0), QColor(10, 20, 30));
}

// The grey text of the "Windows" scheme is often a translucent colour (black at half alpha):
// accent words are drawn in that grey over the page, other words in the opaque text colour,
// whichever comes first on the page.
TEST_F(QtSurfaceTest, WindowsSchemeDrawsTranslucentGreyTextAsGrey) {
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    const std::string accent = "  |6>grey grey|4> ", plain = "  black black ";
    for (const bool accentFirst : {true, false}) {
        SCOPED_TRACE(accentFirst ? "accent first" : "plain first");
        SessionOnQt page(300, 200);
        page.surface.setPalette(palette);
        qm::SessionTestAccess(page.s).setDisplayLines(
            {accentFirst ? accent : plain, accentFirst ? plain : accent, "z", " "});
        page.s.BGColorRadioGroupClick(2);
        page.s.drawPage(0);
        // The darkest pixel of each band of rows that holds text, from the top.
        const QImage image = page.surface.image().copy(0, 0, 300, 200);
        std::vector<int> darkest;
        bool inBand = false;
        for (int y = 0; y < image.height(); ++y) {
            int rowMin = 255;
            for (int x = 0; x < image.width(); ++x)
                rowMin = std::min(rowMin, qGray(image.pixel(x, y)));
            if (rowMin < 250 && !inBand) darkest.push_back(rowMin);
            if (rowMin < 250) darkest.back() = std::min(darkest.back(), rowMin);
            inBand = rowMin < 250;
        }
        ASSERT_GE(darkest.size(), 2u);
        const int grey = darkest[accentFirst ? 0 : 1], black = darkest[accentFirst ? 1 : 0];
        EXPECT_EQ(black, 0);
        EXPECT_NEAR(grey, 127, 2);
        EXPECT_EQ(page.surface.resolve(0x80000011).alpha(), 255);
    }
}

TEST_F(QtSurfaceTest, HostileTextAndSizes) {
    SessionOnQt page(300, 600);
    page.s.BGColorRadioGroupClick(0);
    std::string tags;
    for (int i = 0; i < 10000; ++i)
        tags += "|9>w|b>|f>";
    qm::SessionTestAccess(page.s).setDisplayLines(
        {std::string("nul\0byte", 8), std::string(1 << 20, 'W'), tags, "\x80\x81\x8d\xff", "ab|",
         "  |image>../x ", " "});
    for (int size : {4, 40, 0, -5, 1000}) {
        page.s.setControlPosition(qm::Control::FontSizeTrackBar, size);
        EXPECT_EQ(page.s.drawPage(0), 6) << size;
    }
    qm::QtSurface& surface = page.surface;
    surface.setFontSize(-3);
    EXPECT_GT(surface.textHeight("X"), 0);
    surface.setFontSize(100000);
    EXPECT_GT(surface.textWidth("x"), 0);
    surface.fillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    surface.textOut(INT_MIN, -50, "far away");
    surface.line(INT_MAX, 0, INT_MIN, 0);
    surface.resize(0, 0);
    page.s.setControlPosition(qm::Control::FontSizeTrackBar, 15);
    EXPECT_EQ(page.s.drawPage(0), 1);
    // The image grows and never shrinks; the page is its top-left part.
    surface.resize(1000, 20);
    EXPECT_EQ(surface.image().width(), 1000);
    EXPECT_EQ(surface.image().height(), 600);
}

} // namespace

namespace {

// Pictures drawn scaled into their rectangle; what cannot be read as one draws nothing.
TEST_F(QtSurfaceTest, PicturesDrawScaledAndBadFilesDrawNothing) {
    const struct {
        const char* name;
        std::string bytes;
        bool drawn;
    } cases[] = {
        {"red.png", qmtest::tinyPng(), true},
        {"broken.png", qmtest::tinyPng().substr(0, 40), false},
        {"text.png", "no picture at all", false},
        {"claims-too-much.png", qmtest::pngClaiming(100000, 100000), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = pictureFile(c.name, c.bytes);
        for (const qreal ratio : {1.0, 2.0}) {
            qm::QtSurface surface(200, 100, ratio);
            surface.setBrushColor(0xFFFFFF);
            surface.fillRect(0, 0, 200, 100);
            int width = 0, height = 0;
            const bool sized = surface.pictureSize(path, width, height);
            EXPECT_EQ(surface.drawPicture(path, 40, 20, 120, 80), c.drawn);
            EXPECT_EQ(surface.drawPicture(path, 40, 20, 120, 80), c.drawn) << "from the cache";
            const QImage image = surface.image();
            const QColor inside = image.pixelColor(QPoint(80, 50) * ratio);
            const QColor outside = image.pixelColor(QPoint(150, 50) * ratio);
            if (c.drawn) {
                EXPECT_TRUE(sized);
                EXPECT_EQ(width, 8);
                EXPECT_EQ(height, 6);
                EXPECT_EQ(inside, QColor(200, 30, 30));
            } else {
                EXPECT_EQ(inside, QColor(Qt::white));
            }
            EXPECT_EQ(outside, QColor(Qt::white));
        }
    }
    qm::QtSurface surface(50, 50);
    int w = 0, h = 0;
    EXPECT_FALSE(surface.pictureSize("/no/such/picture.png", w, h));
    EXPECT_FALSE(surface.drawPicture("/no/such/picture.png", 0, 0, 50, 50));
}

} // namespace
