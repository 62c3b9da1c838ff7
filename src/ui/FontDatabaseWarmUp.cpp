#include "ui/FontDatabaseWarmUp.h"

#include <QFontDatabase>
#include <QStringList>

namespace qm {

// The list of families is the cheapest question that fills the whole database.
FontDatabaseWarmUp::FontDatabaseWarmUp()
    : m_thread([] { static_cast<void>(QFontDatabase::families()); }) {}

FontDatabaseWarmUp::~FontDatabaseWarmUp() {
    join();
}

void FontDatabaseWarmUp::join() {
    if (m_thread.joinable()) m_thread.join();
}

} // namespace qm
