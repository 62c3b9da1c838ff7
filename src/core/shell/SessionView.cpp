// The reading view's handlers: drawing a page, paging, the font size and the colour options.
#include "core/shell/Session.h"
#include "core/view/ColourSchemes.h"
#include "core/view/PageRenderer.h"
#include "core/view/Paging.h"

#include <algorithm>
#include <climits>

namespace qm {

namespace {

constexpr int kPageDownKey = 34;
constexpr int kPageUpKey = 33;

int lineCount(const Lines& lines) {
    return static_cast<int>(std::min<std::size_t>(lines.size(), INT_MAX));
}

} // namespace

int Session::drawPage(int top) {
    topLine = top;
    controls.setEnabled(Control::PrevButton, top != 0);
    if (top == 0) currentShade = 0;
    pageImageName.clear();
    if (!haveDisplayList) return -1;
    const int count = lineCount(displayLines);
    if (top >= count - 2) return top;

    controls.setText(Control::PosLabel, panelLabel(top, count));
    view.setProgress(count, top);
    if (!surface_) return top;

    const PageRequest request{
        .lines = displayLines,
        .top = top,
        .fontSize = clampFontSize(controls.position(Control::FontSizeTrackBar)),
        .twoColumns = controls.checked(Control::TwoColCheckBox),
        .colours = colours,
        .programFolder = loc.programFolder,
        .imageExists = [this](const std::string& path) { return fs.fileExists(path); },
    };
    PageResult result = renderPage(*surface_, request, currentShade);
    surface_->flush();
    pageImageName = std::move(result.imageName);
    controls.setEnabled(Control::NextButton, result.next < count - 2);
    view.pageDrawn();
    return result.next;
}

void Session::redrawPage() {
    nextTopLine = drawPage(topLine);
}

void Session::ShowNextPage() {
    pageTurned = true;
    nextTopLine = drawPage(nextTopLine);
}

void Session::ShowPreviousPage() {
    pageTurned = true;
    const int top = topLine;
    // One column's worth of rows in the font the last drawing left on the surface.
    int rows = 0;
    if (surface_) rows = surface_->height() / std::max(1, surface_->textHeight("X"));
    const int newTop = previousPageTop(displayLines, top, rows);
    if (surface_) {
        // Fixed pitch switched on inside the page being returned to would otherwise stay
        // in force from the later page.
        const long long last =
            std::min<long long>(static_cast<long long>(top) + 2, lineCount(displayLines) - 1);
        for (long long n = newTop; n <= last; ++n) {
            if (displayLines[static_cast<std::size_t>(n)].find("|f>") != std::string::npos) {
                surface_->setFontName("Times New Roman");
                break;
            }
        }
    }
    nextTopLine = drawPage(newTop);
}

void Session::NextButtonClick() {
    if (findDialogShowing) {
        view.closeFindDialog();
        findDialogShowing = false;
    }
    ShowNextPage();
}

void Session::PrevButtonClick() {
    if (findDialogShowing) {
        view.closeFindDialog();
        findDialogShowing = false;
    }
    ShowPreviousPage();
}

bool Session::FormKeyDown(int virtualKey) {
    if (virtualKey == kPageDownKey) ShowNextPage();
    if (virtualKey == kPageUpKey) ShowPreviousPage();
    return true;
}

void Session::FontSizeTrackBarChange(int position) {
    const int size = clampFontSize(position);
    controls.setPosition(Control::FontSizeTrackBar, size);
    controls.setText(Control::FontSizeLabel, "Font Size = " + std::to_string(size));
    controls.setPosition(Control::FontSizeUpDown, size);
    view.setTocFontSize(size);
    redrawPage();
}

void Session::FontSizeUpDownClick(int position) {
    const int size = clampFontSize(position);
    controls.setPosition(Control::FontSizeUpDown, size);
    FontSizeTrackBarChange(size);
}

void Session::BGColorRadioGroupClick(int item) {
    controls.setPosition(Control::BGColorRadioGroup, item);
    ColourScheme scheme{};
    if (!schemeFromItem(item, scheme)) return;
    writeScheme(colours, scheme);
    currentShade = 0;
    if (scheme != ColourScheme::Windows && controls.checked(Control::TwoColorCheckBox))
        TwoColorCheckBoxClick(true);
    redrawPage();
}

void Session::TwoColorCheckBoxClick(bool checked) {
    controls.setChecked(Control::TwoColorCheckBox, checked);
    if (checked) {
        useTextColourForAccents(colours);
        currentShade = 0;
        redrawPage();
    } else {
        BGColorRadioGroupClick(controls.position(Control::BGColorRadioGroup));
    }
    if (controls.checked(Control::SingleShadeBgCheckBox)) SingleShadeBgCheckBoxClick(true);
}

void Session::SingleShadeBgCheckBoxClick(bool checked) {
    controls.setChecked(Control::SingleShadeBgCheckBox, checked);
    if (checked) {
        copySecondShadeToFirst(colours);
        redrawPage();
    } else {
        BGColorRadioGroupClick(controls.position(Control::BGColorRadioGroup));
    }
}

void Session::TwoColCheckBoxClick(bool checked) {
    controls.setChecked(Control::TwoColCheckBox, checked);
    redrawPage();
}

} // namespace qm
