// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::FindItemClick() {}
void Session::FindDialog1Find(const std::string&, bool, bool) {}

} // namespace qm
