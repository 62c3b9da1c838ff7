// PLACEHOLDER: not built yet; the owner of this subsystem replaces this file.
#include "core/shell/Session.h"

namespace qm {

void Session::openText(const std::string&, const std::string&) {}
void Session::TOCTreeViewClick(std::optional<int>) {}
void Session::TOCTreeViewDblClick(std::optional<int>) {}
void Session::OpenTVTItemClick() {}

} // namespace qm
