#include "ui/FontWarmUp.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace qm {

FontWarmUp::FontWarmUp()
    : m_thread([this] { run(); }) {}

FontWarmUp::~FontWarmUp() {
    join();
}

void FontWarmUp::run() {
    FcInit();
    std::unique_lock lock(m_mutex);
    m_stage = Stage::Read;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_stage != Stage::Read; });
    if (m_stage != Stage::BuildDatabase) return;
    lock.unlock();
    // The first question to the database builds it from the configuration read above.
    (void)QFontDatabase::families();
}

void FontWarmUp::applicationReady() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Reading; });
    if (m_stage == Stage::Read) m_stage = Stage::BuildDatabase;
    m_changed.notify_all();
}

void FontWarmUp::join() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stage != Stage::Reading; });
        // A thread still waiting for the application ends without building the database.
        if (m_stage == Stage::Read) m_stage = Stage::Done;
        m_changed.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
}

} // namespace qm
