// Fitting a line's font size into its column: the same size as shrinking point by point, with
// few measurements, on a surface whose widths grow faster than the size.
#include "ViewFixture.h"

#include "core/testing/SessionTestAccess.h"
#include "core/view/PageRenderer.h"

#include <algorithm>

namespace {

using qmview::ViewTest;
using Ctl = qm::Control;

// The reference: shrink one point at a time while the line is too wide.
int shrinkPointByPoint(qm::Surface& surface, std::string_view text, int available, int setting) {
    int size = setting;
    surface.setFontSize(size);
    while (surface.textWidth(text) > available && size > 8)
        surface.setFontSize(--size);
    return size;
}

// Widths that grow faster than the size, unlike the fake's.
class CurvedSurface final : public qm::Surface {
public:
    int width() const override { return 800; }
    int height() const override { return 600; }
    void setBrushColor(qm::Color) override {}
    qm::Color brushColor() const override { return 0; }
    void fillRect(int, int, int, int) override {}
    void setFontName(const std::string&) override {}
    const std::string& fontName() const override { return m_name; }
    void setFontSize(int points) override { m_size = points; }
    int fontSize() const override { return m_size; }
    void setFontStyle(qm::FontStyle) override {}
    qm::FontStyle fontStyle() const override { return {}; }
    void setFontColor(qm::Color) override {}
    qm::Color fontColor() const override { return 0; }
    int textWidth(std::string_view text) override {
        ++measures;
        return static_cast<int>(text.size()) * (m_size * m_size / 9 + 1);
    }
    int textHeight(std::string_view) override { return m_size; }
    void textOut(int, int, std::string_view) override {}
    void setPen(int, qm::Color) override {}
    void line(int, int, int, int) override {}
    int measures = 0;

private:
    std::string m_name = "MS Sans Serif";
    int m_size = 8;
};

TEST(FitFontSize, SameSizeAsShrinkingPointByPointWithFewMeasurements) {
    qm::FakeSurface fake(800, 600);
    CurvedSurface curved;
    for (qm::Surface* surface :
         {static_cast<qm::Surface*>(&fake), static_cast<qm::Surface*>(&curved)}) {
        for (int setting = 4; setting <= 40; ++setting) {
            for (int length : {0, 1, 10, 57, 80, 113, 114, 115, 160, 200, 400, 5000}) {
                for (int available : {-5, 0, 1, 248, 500, 800}) {
                    const std::string text(static_cast<std::size_t>(length), 'w');
                    const int expected = shrinkPointByPoint(*surface, text, available, setting);
                    surface->setFontSize(setting);
                    fake.measureCount = 0;
                    curved.measures = 0;
                    int width = -1;
                    const int got = qm::fitFontSize(*surface, text, available, setting, &width);
                    ASSERT_EQ(got, expected) << setting << " " << length << " " << available;
                    EXPECT_EQ(surface->fontSize(), got);
                    // Point by point would measure up to 33 times; widths far from
                    // proportional to the size take a few more steps, but the same result.
                    EXPECT_LE(fake.measureCount + curved.measures, surface == &fake ? 4 : 8)
                        << setting << " " << length << " " << available;
                    EXPECT_EQ(width, surface->textWidth(text));
                }
            }
        }
    }
}

TEST_F(ViewTest, WideLinesShrinkWithinTheirColumn) {
    s.setControlPosition(Ctl::FontSizeTrackBar, 20);
    // At 20 points a character is 10 pixels: 160 characters are twice the 800-pixel page.
    qm::SessionTestAccess(s).setDisplayLines(
        {"   x ", std::string(159, 'w'), std::string(1000, 'w'), "  short ",
         "|9>" + std::string(80, 'w') + "|4>", "  tail ", "z", " "});
    s.drawPage(1);
    const auto wide = textsAt(5);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].size, 11) << "the largest size at which 160 characters fit 800 pixels";
    EXPECT_EQ(textsAt(5 + 26).at(0).size, 8) << "too wide even at 8 points";
    EXPECT_EQ(textsAt(5 + 52).at(0).size, 20) << "the next line starts at the setting again";
    // Tags take no room: 81 characters at 20 points do not fit, at 19 (9 pixels) they do.
    EXPECT_EQ(textsAt(5 + 78).at(0).size, 19);
    // A shrunk row is cleared across the column in the line's background.
    EXPECT_TRUE(std::any_of(surf.fills.begin(), surf.fills.end(), [](const auto& f) {
        return f.x1 == 0 && f.y1 == 5 && f.x2 == 800 && f.y2 == 31;
    }));
}

TEST_F(ViewTest, SmallSettingsNeverShrink) {
    s.setControlPosition(Ctl::FontSizeTrackBar, 8);
    qm::SessionTestAccess(s).setDisplayLines({"   x ", std::string(2000, 'w'), "z", " "});
    s.drawPage(1);
    EXPECT_EQ(textsAt(5).at(0).size, 8);
}

} // namespace
