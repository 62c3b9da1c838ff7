// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::buildCatalogue() {}
void Session::OpenTOCItemClick() {}
void Session::TOCTreeViewExpanded() {}
void Session::TOCTreeViewCollapsed() {}

} // namespace qm
