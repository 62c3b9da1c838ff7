#pragma once
// The headless run's --read-aloud N: reads N phrase lines aloud from the page's top line
// through the desktop's speech service, printing "lit LINE" as each line is lit and
// "turned TOP" at each page turn of the voice.
#include "core/shell/Session.h"

#include <functional>
#include <iosfwd>

namespace qm {

// False when reading could not start or the service failed (the message is shown through the
// session's view, which counts the messages it showed).
bool readAloudHeadless(Session& session, int lines, std::ostream& out,
                       const std::function<int()>& messagesShown);

} // namespace qm
