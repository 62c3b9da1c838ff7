// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

Lines Session::defaultSettingsLines() const { return {}; }
void Session::applySettings() {}
void Session::saveSettings() {}
void Session::ResetToStartupDefaultsButtonClick() {}

} // namespace qm
