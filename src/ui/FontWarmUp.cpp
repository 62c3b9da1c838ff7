#include "ui/FontWarmUp.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace qm {

FontWarmUp::FontWarmUp()
    : WarmUpThread([] { FcInit(); }) {}

// The list of families is the cheapest question that fills the whole database.
FontDatabaseWarmUp::FontDatabaseWarmUp()
    : WarmUpThread([] { static_cast<void>(QFontDatabase::families()); }) {}

} // namespace qm
