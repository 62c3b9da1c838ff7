// The reading view's handlers: drawing a page, paging, the font size and the colour options.
#include "core/shell/Session.h"
#include "core/view/ColourSchemes.h"
#include "core/view/PageRenderer.h"
#include "core/view/Paging.h"

#include <algorithm>
#include <utility>

namespace qm {

int Session::drawPage(int top) {
    return showPage(top, false);
}

PageRequest Session::pageRequest(int top) const {
    return {
        .lines = displayLines(),
        .top = top,
        .fontSize = clampFontSize(m_controls.position(Control::FontSizeTrackBar)),
        .twoColumns = m_controls.checked(Control::TwoColCheckBox),
        .colours = m_colours,
        .programFolder = m_loc.programFolder,
        .imageExists = [this](const std::string& path) { return m_fs.fileExists(path); },
        .lit = litOn(top),
        .litLine = m_litLine,
        .pictureFolder = pictureFolder(),
    };
}

// A library book's pictures lie beside its text, in its layout folder.
std::string Session::pictureFolder() const {
    if (!isLibraryText()) return {};
    const std::size_t slash = m_currentTextPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : m_currentTextPath.substr(0, slash + 1);
}

std::span<const LineSpan> Session::litOn(int top) const {
    if (!m_lit || m_lit->top != top || m_lit->linesVersion != m_displayLines.version()) return {};
    return m_lit->spans;
}

const LineSpans& Session::litSpans() const {
    static const LineSpans none;
    return m_lit ? m_lit->spans : none;
}

Session::PageInputs Session::pageInputs(int top) const {
    const PageRequest request = pageRequest(top);
    PageInputs inputs{
        .linesVersion = m_displayLines.version(),
        .top = top,
        .fontSize = request.fontSize,
        .twoColumns = request.twoColumns,
        .colours = request.colours,
        .programFolder = request.programFolder,
        .pictureFolder = request.pictureFolder,
        .shade = m_currentShade,
        .width = m_surface ? m_surface->width() : 0,
        .height = m_surface ? m_surface->height() : 0,
        .state = m_surface ? m_surface->drawingState() : Surface::DrawingState{},
        .lit = LineSpans(request.lit.begin(), request.lit.end()),
    };
    return inputs;
}

// The page at top; a move of the reader's own takes the reading voice along.
int Session::showPage(int top, bool mayUsePrepared) {
    const bool voiceFollows = speechFollowsMove(top);
    const int next = drawPageAt(top, mayUsePrepared);
    if (voiceFollows) moveSpeechTo(top);
    return next;
}

// The page at top, drawn on the surface, or taken from the spare surface when it was drawn
// there ahead from what this drawing would start from; the effects are the same either way.
int Session::drawPageAt(int top, bool mayUsePrepared) {
    std::optional<PreparedPage> prepared = std::exchange(m_prepared, std::nullopt);
    if (prepared && !(mayUsePrepared && stillHolds(*prepared, top))) prepared.reset();

    // Lit characters stay until the page changes.
    if (litOn(top).empty()) m_lit.reset();
    m_topLine = top;
    m_controls.setEnabled(Control::PrevButton, top != 0);
    if (top == 0) m_currentShade = 0;
    m_pageImageName.clear();
    if (!m_haveDisplayList) return -1;
    const int count = lineCount(displayLines());
    if (top >= count - 2) return top;

    m_controls.setText(Control::PosLabel, panelLabel(top, count));
    m_view.setProgress(count, top);
    if (!m_surface) return top;

    m_pageStartShade = m_currentShade;
    m_pageStartState = m_surface->drawingState();
    PageResult result;
    if (prepared && m_spare && m_surface->swapPage(*m_spare)) {
        result = {prepared->next, std::move(prepared->imageName), std::move(prepared->rows)};
        m_currentShade = prepared->shadeAfter;
    } else {
        result = renderPage(*m_surface, pageRequest(top), m_currentShade);
    }
    m_surface->flush();
    m_pageImageName = std::move(result.imageName);
    m_pageRows = std::move(result.rows);
    m_controls.setEnabled(Control::NextButton, result.next < count - 2);
    m_view.pageDrawn();
    return result.next;
}

bool Session::stillHolds(const PreparedPage& page, int top) const {
    if (!(page.inputs == pageInputs(top)) || !sameBand(page, m_litLine)) return false;
    return !page.imageShown || *page.imageShown == m_fs.fileExists(page.imageName);
}

bool Session::prepareNextPage() {
    const int top = m_nextTopLine;
    if (!m_surface || !m_spare || m_spare == m_surface || !m_haveDisplayList) return false;
    if (top >= lineCount(displayLines()) - 2) return false;
    if (m_spare->width() != m_surface->width() || m_spare->height() != m_surface->height())
        return false;
    PageInputs inputs = pageInputs(top);
    if (m_prepared && m_prepared->inputs == inputs && sameBand(*m_prepared, m_litLine))
        return false;
    m_prepared.reset();
    m_spare->setDrawingState(inputs.state);
    int shade = top == 0 ? 0 : m_currentShade;
    PageRequest request = pageRequest(top);
    std::optional<bool> imageShown;
    request.imageExists = [this, &imageShown](const std::string& path) {
        imageShown = m_fs.fileExists(path);
        return *imageShown;
    };
    PageResult result = renderPage(*m_spare, request, shade);
    m_spare->flush();
    m_prepared = PreparedPage{std::move(inputs), result.next, std::move(result.imageName),
                              imageShown,         shade,       m_litLine,
                              std::move(result.rows)};
    return true;
}

void Session::redrawPage() {
    m_nextTopLine = drawPage(m_topLine);
}

void Session::ShowNextPage() {
    m_pageTurned = true;
    m_nextTopLine = showPage(m_nextTopLine, true);
}

void Session::ShowPreviousPage() {
    m_pageTurned = true;
    const int top = m_topLine;
    // One column's worth of rows in the font the last drawing left on the surface.
    int rows = 0;
    if (m_surface) rows = m_surface->height() / std::max(1, m_surface->textHeight("X"));
    const int newTop = previousPageTop(displayLines(), top, rows);
    if (m_surface) {
        // Fixed pitch switched on inside the page being returned to would otherwise stay
        // in force from the later page.
        const long long last =
            std::min<long long>(static_cast<long long>(top) + 2, lineCount(displayLines()) - 1);
        for (long long n = newTop; n <= last; ++n) {
            if (displayLines()[static_cast<std::size_t>(n)].find("|f>") != std::string::npos) {
                m_surface->setFontName(kSerifFont);
                break;
            }
        }
    }
    m_nextTopLine = drawPage(newTop);
}

void Session::NextButtonClick() {
    if (m_findDialogShowing) {
        m_view.closeFindDialog();
        m_findDialogShowing = false;
    }
    ShowNextPage();
}

void Session::PrevButtonClick() {
    if (m_findDialogShowing) {
        m_view.closeFindDialog();
        m_findDialogShowing = false;
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
    m_controls.setPosition(Control::FontSizeTrackBar, size);
    m_controls.setText(Control::FontSizeLabel, "Font Size = " + std::to_string(size));
    m_controls.setPosition(Control::FontSizeUpDown, size);
    m_view.setTocFontSize(size);
    redrawPage();
}

void Session::FontSizeUpDownClick(int position) {
    const int size = clampFontSize(position);
    m_controls.setPosition(Control::FontSizeUpDown, size);
    FontSizeTrackBarChange(size);
}

void Session::BGColorRadioGroupClick(int item) {
    m_controls.setPosition(Control::BGColorRadioGroup, item);
    ColourScheme scheme{};
    if (!schemeFromItem(item, scheme)) return;
    writeScheme(m_colours, scheme);
    m_currentShade = 0;
    if (scheme != ColourScheme::Windows && m_controls.checked(Control::TwoColorCheckBox))
        TwoColorCheckBoxClick(true);
    redrawPage();
}

void Session::TwoColorCheckBoxClick(bool checked) {
    m_controls.setChecked(Control::TwoColorCheckBox, checked);
    if (checked) {
        useTextColourForAccents(m_colours);
        m_currentShade = 0;
        redrawPage();
    } else {
        BGColorRadioGroupClick(m_controls.position(Control::BGColorRadioGroup));
    }
    if (m_controls.checked(Control::SingleShadeBgCheckBox)) SingleShadeBgCheckBoxClick(true);
}

void Session::SingleShadeBgCheckBoxClick(bool checked) {
    m_controls.setChecked(Control::SingleShadeBgCheckBox, checked);
    if (checked) {
        copySecondShadeToFirst(m_colours);
        redrawPage();
    } else {
        BGColorRadioGroupClick(m_controls.position(Control::BGColorRadioGroup));
    }
}

void Session::TwoColCheckBoxClick(bool checked) {
    m_controls.setChecked(Control::TwoColCheckBox, checked);
    redrawPage();
}

} // namespace qm
