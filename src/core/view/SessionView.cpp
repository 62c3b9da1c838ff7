// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

int Session::drawPage(int top) { topLine = top; return top; }
void Session::redrawPage() { nextTopLine = drawPage(topLine); }
void Session::ShowNextPage() {}
void Session::ShowPreviousPage() {}
void Session::NextButtonClick() {}
void Session::PrevButtonClick() {}
bool Session::FormKeyDown(int) { return true; }
void Session::FontSizeTrackBarChange(int) {}
void Session::FontSizeUpDownClick(int) {}
void Session::BGColorRadioGroupClick(int) {}
void Session::TwoColorCheckBoxClick(bool) {}
void Session::SingleShadeBgCheckBoxClick(bool) {}
void Session::TwoColCheckBoxClick(bool) {}

} // namespace qm
