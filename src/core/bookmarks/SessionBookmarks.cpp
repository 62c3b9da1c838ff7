// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::locateSection() {}
std::optional<Session::Entry> Session::newestEntry() { return std::nullopt; }
void Session::writeClosingMark() {}
void Session::BMMenuClick() {}
void Session::BMAddItemClick() {}
void Session::BMDeleteItemClick() {}
void Session::BMGOItemClick() {}
void Session::BMDeletePopupHandler(int) {}
void Session::BMGotoPopupHandler(int) {}

} // namespace qm
