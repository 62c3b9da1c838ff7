// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::IndexLoadButtonClick() {}
void Session::InxTreeViewClick(std::optional<int>) {}
void Session::resetToPanel() {}

} // namespace qm
