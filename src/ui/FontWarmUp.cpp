#include "ui/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace qm {

FontWarmUp::FontWarmUp()
    : m_thread([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() { join(); }

void FontWarmUp::join() {
    if (m_thread.joinable()) m_thread.join();
}

} // namespace qm
