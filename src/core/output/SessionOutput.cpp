// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::SaveScreenItemClick() {}
void Session::PrintColButtonClick() {}
void Session::HempMenuClick() {}

} // namespace qm
