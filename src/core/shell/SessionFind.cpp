// The Search menu's Find command and the find dialog's find-next step.
#include "core/find/Find.h"
#include "core/shell/Session.h"

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
            m_nextTopLine = drawPage(*top);
        return;
    }
}

} // namespace qm
