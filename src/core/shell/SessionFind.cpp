// The Search menu's Find command and the find dialog's find-next step.
#include "core/find/Find.h"
#include "core/shell/Session.h"
#include "core/view/Paging.h"

#include <algorithm>

namespace qm {

void Session::FindItemClick() {
    const Rect window = m_view.windowBounds();
    m_view.showFindDialog(window.left + 50, window.top + 50);
    m_findDialogShowing = true;
}

void Session::FindDialog1Close() {
    m_findDialogShowing = false;
}

void Session::FindDialog1Find(const std::string& findText, bool down, bool matchCase) {
    const FindResult result =
        findStep(displayLines(), m_topLine, m_nextTopLine, findText, down, matchCase);
    switch (result.kind) {
    case FindResult::Kind::NoSearch:
        return;
    case FindResult::Kind::Miss:
        m_view.closeFindDialog();
        m_findDialogShowing = false;
        return;
    case FindResult::Kind::Hit:
        if (const auto top = pageTopForHit(displayLines(), result.hitLine, result.startLine))
            showHit(*top, result.hitLine,
                    foundSpans(displayLines(), result.hitLine, findText, matchCase));
        return;
    }
}

// The hit's page starts at `top` when that page shows the hit. When it ends above the hit (a
// paragraph longer than a page), the page starts at the earliest sentence from which it shows
// the hit: the first that lies less than a page's lines above the hit, or a later one when
// that page ends too early, or the hit itself. Each drawing starts from the shade and drawing
// state the page before the hit left, as a single drawing would.
void Session::showHit(int top, int hitLine, const LineSpans& found) {
    const int before = m_topLine;
    const int shade = m_currentShade;
    const std::optional<Surface::DrawingState> state =
        m_surface ? std::optional(m_surface->drawingState()) : std::nullopt;
    const auto drawFrom = [&](int from) {
        m_currentShade = shade;
        if (state) m_surface->setDrawingState(*state);
        m_lit = LitPage{from, m_displayLines.version(), found};
        return drawPage(from);
    };
    int next = drawFrom(top);
    if (m_surface && top < hitLine && next <= hitLine) {
        // The lines a page can hold: the rows of a column at the font size setting, in the
        // font the page starts with, times the columns.
        m_surface->setFontSize(clampFontSize(m_controls.position(Control::FontSizeTrackBar)));
        const int rows = m_surface->height() / std::max(1, m_surface->textHeight("X"));
        const int capacity =
            std::max(1, rows) * (m_controls.checked(Control::TwoColCheckBox) ? 2 : 1);
        int from = hitPageStart(displayLines(), std::max(top + 1, hitLine - capacity + 1), hitLine);
        for (;;) {
            next = drawFrom(from);
            if (from >= hitLine || next > hitLine) break;
            from = hitPageStart(displayLines(), from + 1, hitLine);
        }
    }
    m_nextTopLine = next;
    noteJump(before);
}

} // namespace qm
