#include "ViewFixture.h"
#include "core/testing/SessionTestAccess.h"

#include <functional>

namespace {

using qm::ColourTable;
using qm::Session;
using qmview::ViewTest;
using Ctl = qm::Control;

constexpr qm::Color kGrey = 0x80000011;

void expectAccents(const ColourTable& t, int shade, std::array<qm::Color, 4> accents) {
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(t[static_cast<std::size_t>(shade)][6 + k], accents[k])
            << "shade " << shade << " slot " << 6 + k;
}

TEST(ColourSchemes, TablesAsWritten) {
    ColourTable t{};
    qm::writeScheme(t, qm::ColourScheme::Dark);
    EXPECT_EQ(t[0][1], 0x462F39u);
    EXPECT_EQ(t[1][1], 0x454538u);
    EXPECT_EQ(t[0][4], 0x87D6E7u);
    expectAccents(t, 0, {0xC7F1BE, 0xACA4FB, 0xDBBEA4, 0xCFB4C9});
    expectAccents(t, 1, {0xC7F1BE, 0x9DB1E1, 0xDBBEA4, 0xC2B8CD});
    qm::writeScheme(t, qm::ColourScheme::Light);
    EXPECT_EQ(t[0][1], 0x9FBCE3u);
    EXPECT_EQ(t[1][1], 0xA6C2DDu);
    expectAccents(t, 0, {0x005500, 0x000097, 0x680000, 0x5B005B});
    expectAccents(t, 1, {0x006200, 0x000097, 0x6C0000, 0x4A004A});
    qm::writeScheme(t, qm::ColourScheme::Windows);
    for (int shade : {0, 1}) {
        EXPECT_EQ(t[static_cast<std::size_t>(shade)][1], 0x80000005u);
        EXPECT_EQ(t[static_cast<std::size_t>(shade)][4], 0x80000008u);
        expectAccents(t, shade, {kGrey, kGrey, kGrey, kGrey});
    }
    // Slots 2, 3 and 5 are never written.
    for (const auto& row : t)
        for (std::size_t k : {2u, 3u, 5u})
            EXPECT_EQ(row[k], 0u);
}

struct OptionCase {
    const char* name;
    int item;            // scheme selected before the action
    bool noColouredText; // "No Colored Text" checked before
    bool singleShade;    // "1 Color Background " checked before
    std::function<void(Session&)> action;
    std::vector<int> redrawShades; // shade each redraw starts in
    std::function<void(const ColourTable&)> check;
};

class OptionsTest : public ViewTest, public ::testing::WithParamInterface<OptionCase> {};

// Every redraw draws lines 5 to 19, which hold one paragraph marker: the shade it ends in is
// the other one than the shade it started in, so each redraw's start shows in the record.
TEST_P(OptionsTest, HandlersRunInOrderAndRedrawFromTheRightShade) {
    const OptionCase& c = GetParam();
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    qm::SessionTestAccess(s).setDisplayLine(6, "p001");
    qm::SessionTestAccess(s).setDisplayLine(20, "p002");
    s.setControlChecked(Ctl::TwoColorCheckBox, c.noColouredText);
    s.setControlChecked(Ctl::SingleShadeBgCheckBox, c.singleShade);
    qm::SessionTestAccess(s).setTopLine(5);
    s.BGColorRadioGroupClick(c.item);
    view.endShades.clear();
    qm::SessionTestAccess(s).setCurrentShade(1);

    c.action(s);

    std::vector<int> starts;
    for (int end : view.endShades)
        starts.push_back(1 - end);
    EXPECT_EQ(starts, c.redrawShades);
    EXPECT_EQ(s.topLine(), 5);
    if (!starts.empty()) {
        EXPECT_EQ(s.nextTopLine(), 20);
    }
    c.check(s.colours());
}

const qm::Color kLightText = 0x000000, kDarkText = 0x87D6E7;

const OptionCase kOptionCases[] = {
    {"DarkWithBoxesClear",
     0,
     false,
     false,
     [](Session& s) { s.BGColorRadioGroupClick(1); },
     {0},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0x462F39u);
         EXPECT_EQ(t[1][1], 0x454538u);
         EXPECT_EQ(t[0][7], 0xACA4FBu);
         EXPECT_EQ(t[1][7], 0x9DB1E1u);
     }},
    {"NoColouredTextChecked",
     0,
     false,
     false,
     [](Session& s) { s.TwoColorCheckBoxClick(true); },
     {0},
     [](const ColourTable& t) {
         expectAccents(t, 0, {kLightText, kLightText, kLightText, kLightText});
         expectAccents(t, 1, {kLightText, kLightText, kLightText, kLightText});
         EXPECT_EQ(t[0][1], 0x9FBCE3u);
     }},
    {"NoColouredTextCleared",
     0,
     true,
     false,
     [](Session& s) { s.TwoColorCheckBoxClick(false); },
     {0},
     [](const ColourTable& t) {
         expectAccents(t, 0, {0x005500, 0x000097, 0x680000, 0x5B005B});
     }},
    {"SingleShadeCheckedKeepsShade",
     0,
     false,
     false,
     [](Session& s) { s.SingleShadeBgCheckBoxClick(true); },
     {1},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0xA6C2DDu);
         expectAccents(t, 0, {0x006200, 0x000097, 0x6C0000, 0x4A004A});
         EXPECT_EQ(t[0][4], kLightText);
     }},
    {"SingleShadeCleared",
     1,
     false,
     true,
     [](Session& s) { s.SingleShadeBgCheckBoxClick(false); },
     {0},
     [](const ColourTable& t) { EXPECT_EQ(t[0][1], 0x462F39u); }},
    {"TwoColumnsKeepShade",
     0,
     false,
     false,
     [](Session& s) {
         s.setControlChecked(Ctl::TwoColCheckBox, true);
         s.TwoColCheckBoxClick(false);
     },
     {1},
     [](const ColourTable& t) { EXPECT_EQ(t[0][1], 0x9FBCE3u); }},
    {"WindowsKeepsGreyAccentsUnderNoColouredText",
     0,
     true,
     false,
     [](Session& s) { s.BGColorRadioGroupClick(2); },
     {0},
     [](const ColourTable& t) {
         expectAccents(t, 0, {kGrey, kGrey, kGrey, kGrey});
     }},
    {"LightUnderNoColouredTextRedrawsTwice",
     1,
     true,
     false,
     [](Session& s) { s.BGColorRadioGroupClick(0); },
     {0, 1},
     [](const ColourTable& t) {
         expectAccents(t, 1, {kLightText, kLightText, kLightText, kLightText});
     }},
    {"DarkUnderBothBoxes",
     0,
     true,
     true,
     [](Session& s) { s.BGColorRadioGroupClick(1); },
     {0, 1, 0},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0x454538u);
         expectAccents(t, 0, {kDarkText, kDarkText, kDarkText, kDarkText});
     }},
    {"SchemeUnderSingleShadeAlone",
     0,
     false,
     true,
     [](Session& s) { s.BGColorRadioGroupClick(1); },
     {0},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0x462F39u) << "the box stays checked but is not applied";
     }},
    {"NoColouredTextClearedUnderSingleShade",
     0,
     true,
     true,
     [](Session& s) { s.TwoColorCheckBoxClick(false); },
     {0, 1},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0xA6C2DDu);
         expectAccents(t, 0, {0x006200, 0x000097, 0x6C0000, 0x4A004A});
     }},
    {"NoColouredTextCheckedUnderSingleShade",
     0,
     false,
     true,
     [](Session& s) { s.TwoColorCheckBoxClick(true); },
     {0, 1},
     [](const ColourTable& t) {
         EXPECT_EQ(t[0][1], 0xA6C2DDu);
         expectAccents(t, 0, {kLightText, kLightText, kLightText, kLightText});
     }},
    {"NoItemDoesNothing",
     1,
     false,
     false,
     [](Session& s) { s.BGColorRadioGroupClick(-1); },
     {},
     [](const ColourTable& t) { EXPECT_EQ(t[0][1], 0x462F39u); }},
    {"UnknownItemDoesNothing",
     1,
     false,
     false,
     [](Session& s) { s.BGColorRadioGroupClick(7); },
     {},
     [](const ColourTable& t) { EXPECT_EQ(t[1][1], 0x454538u); }},
    {"NoColouredTextClearedWithNoItem",
     -1,
     true,
     false,
     [](Session& s) { s.TwoColorCheckBoxClick(false); },
     {},
     [](const ColourTable& t) { EXPECT_EQ(t[0][1], 0x9FBCE3u) << "the table is left as it was"; }},
};

INSTANTIATE_TEST_SUITE_P(Options, OptionsTest, ::testing::ValuesIn(kOptionCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(ViewTest, SchemeChoiceIsKeptInTheRadioGroup) {
    s.BGColorRadioGroupClick(2);
    EXPECT_EQ(s.controls().position(Ctl::BGColorRadioGroup), 2);
    s.TwoColorCheckBoxClick(false); // re-applies the kept scheme
    EXPECT_EQ(s.colours()[0][1], 0x80000005u);
}

} // namespace
