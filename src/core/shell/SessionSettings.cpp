// The settings file: the default file, reading and applying it, saving at close, and the
// reset command. All settings live in the section "how"; a missing file, section or key, or a
// value that is not an integer, gives the key's read default.
#include "core/base/Error.h"
#include "core/settings/IniDocument.h"
#include "core/shell/Session.h"

#include <algorithm>

namespace qm {
namespace {

constexpr const char* kSection = "how";

// The window is never smaller than this, whatever the file says.
constexpr int kMinWindowWidth = 400;
constexpr int kMinWindowHeight = 450;

struct Geometry {
    int twidth, theight, pleft, pwidth, pheight;
};

Geometry defaultGeometry(int screenWidth, int screenHeight) {
    if (screenWidth == 640) return {500, 440, 501, 130, 200};
    if (screenWidth == 800) return {600, 500, 601, 190, 250};
    return {700, screenHeight - 100, 701, 300, 400};
}

// The settings file's bytes to apply. A file too large to be a settings file is reported and
// applied as a missing one is (the read defaults); saving refuses it, so it stays as it is.
std::string settingsToApply(const FileSystem& fs, ViewPort& view, const std::string& path) {
    try {
        return fs.readFile(path, kSettingsFileCap).value_or(std::string());
    } catch (const FileTooLarge& e) {
        view.showMessage(e.what());
        return {};
    }
}

// Only the value 1 turns an option on.
bool isOn(int value) {
    return value == 1;
}

} // namespace

Lines Session::defaultSettingsLines() const {
    const Geometry g = defaultGeometry(m_platform.screenWidth(), m_platform.screenHeight());
    const auto key = [](const char* name, int value) {
        return std::string(name) + "=" + std::to_string(value);
    };
    return {
        "[" + m_loc.catalogueFile + "]",
        "[how]",
        "dictionary=0",
        "fontsize=15",
        "background=0",
        "plainbkg=0",
        "twocolor=0",
        "twocolumn=0",
        key("tleft", 0),
        key("twidth", g.twidth),
        key("ttop", 0),
        key("theight", g.theight),
        key("pleft", g.pleft),
        key("pwidth", g.pwidth),
        key("ptop", 0),
        key("pheight", g.pheight),
        "",
    };
}

void Session::applySettings() {
    const IniDocument ini(settingsToApply(m_fs, m_view, m_loc.settingsFile));
    const auto read = [&ini](const char* key, int readDefault) {
        return ini.readInteger(kSection, key, readDefault);
    };

    m_view.setTocFontSize(read("fontsize", 15));

    Rect bounds;
    bounds.left = read("tleft", 100);
    bounds.top = read("ttop", 0);
    bounds.height = std::max(read("theight", 440), kMinWindowHeight);
    bounds.width = std::max(read("twidth", 500), kMinWindowWidth);
    m_view.setWindowBounds(bounds);

    // Setting a box counts as a change of its option: when its state changes, the box's own
    // click action runs before the next box is set.
    const auto setBox = [this](Control box, bool on, void (Session::*click)(bool)) {
        const bool changed = m_controls.checked(box) != on;
        m_controls.setChecked(box, on);
        if (changed && click) (this->*click)(on);
    };
    setBox(Control::DictCheckBox, isOn(read("dictionary", 0)), nullptr);
    setBox(Control::TwoColorCheckBox, isOn(read("twocolor", 0)), &Session::TwoColorCheckBoxClick);
    setBox(Control::SingleShadeBgCheckBox, isOn(read("plainbkg", 0)),
           &Session::SingleShadeBgCheckBoxClick);
    setBox(Control::TwoColCheckBox, isOn(read("twocolumn", 0)), &Session::TwoColCheckBoxClick);

    const int position = std::clamp(read("fontsize", 15), 4, 40);
    const bool positionChanged = m_controls.position(Control::FontSizeTrackBar) != position;
    m_controls.setPosition(Control::FontSizeTrackBar, position);
    if (positionChanged) FontSizeTrackBarChange(position);
    m_controls.setPosition(Control::FontSizeUpDown, position);

    const int item = std::clamp(read("background", 1), -1, 2);
    const bool itemChanged = m_controls.position(Control::BGColorRadioGroup) != item;
    m_controls.setPosition(Control::BGColorRadioGroup, item);
    if (itemChanged) BGColorRadioGroupClick(item);

    // The scheme and the size are applied again even when nothing changed, so the colour
    // table and the page always match the controls after applying.
    if (item >= 0) BGColorRadioGroupClick(item);
    FontSizeTrackBarChange(position);

    m_controls.setVisible(Control::DictCheckBox, false);
    m_controls.setVisible(Control::ExitButton, true);
    m_controls.setVisible(Control::BMMenu, true);
    m_bookmarks.clear();
    applySpeechSettings(ini);
}

void Session::saveSettings() {
    // A start-up that stopped before the data folder was there derived no settings file:
    // there is nothing to save to.
    if (m_loc.settingsFile.empty()) return;
    const Rect bounds = m_view.windowBounds();
    if (bounds.width == m_platform.screenWidth() || bounds.height == m_platform.screenHeight())
        return;

    const std::string& path = m_loc.settingsFile;
    // A file that exists but cannot be read is never replaced by one holding only our keys.
    const std::optional<std::string> old = m_fs.readBeforeReplacing(path, kSettingsFileCap);
    IniDocument ini(old.value_or(std::string()));

    const auto onOff = [this](Control box) { return m_controls.checked(box) ? 1 : 0; };
    ini.writeInteger(kSection, "background", m_controls.position(Control::BGColorRadioGroup));
    ini.writeInteger(kSection, "tleft", bounds.left);
    ini.writeInteger(kSection, "ttop", bounds.top);
    ini.writeInteger(kSection, "theight", bounds.height);
    ini.writeInteger(kSection, "twidth", bounds.width);
    ini.writeInteger(kSection, "fontsize", m_controls.position(Control::FontSizeTrackBar));
    ini.writeInteger(kSection, "plainbkg", onOff(Control::SingleShadeBgCheckBox));
    ini.writeInteger(kSection, "twocolor", onOff(Control::TwoColorCheckBox));
    ini.writeInteger(kSection, "dictionary", onOff(Control::DictCheckBox));

    // One safe write of the whole file: either every key reaches the disk or none does. A
    // file that already says all this is left alone (each safe write costs a sync).
    if (old && *old == ini.bytes()) return;
    try {
        m_fs.writeFile(path, ini.bytes());
    } catch (const UserError&) {
        throw UserError(unableToWriteMessage(path));
    }
}

void Session::ResetToStartupDefaultsButtonClick() {
    m_fs.writeFile(m_loc.settingsFile, joinLinesCrLf(defaultSettingsLines()));
    m_speechSettings = {}; // the reading voice's section goes with the rest of the file
    applySettings();
    redrawPage();
}

} // namespace qm
