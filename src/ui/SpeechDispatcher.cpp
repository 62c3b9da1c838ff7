#include "ui/SpeechDispatcher.h"

#include <QTimer>

#include <libspeechd.h>
#include <poll.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <mutex>

namespace qm {

namespace {

enum Kind { kMark, kEnd, kCancel };

// A service that has answered nothing for this long while speaking is asked whether it is
// still there.
constexpr auto kQuietLimit = std::chrono::seconds(10);

// The library's callbacks carry no pointer of ours, only the connection's client number: the
// engines alive are found by it. An engine leaves the map before its connection closes.
std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<std::size_t, SpeechDispatcher*>& registry() {
    static std::map<std::size_t, SpeechDispatcher*> engines;
    return engines;
}

// The library's message, without its "Error: " and the blanks around it; the caller frees.
std::string takeMessage(char* text, const char* fallback) {
    std::string message = text ? text : fallback;
    std::free(text);
    if (message.rfind("Error: ", 0) == 0) message.erase(0, 7);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace

// The library's callbacks, on its thread: each event is queued to the engine's receiver on
// the window's thread.
struct SpeechDispatcherCallbacks {
    static void post(std::size_t message, std::size_t client, int kind, const char* mark) {
        const std::lock_guard lock(registryMutex());
        const auto it = registry().find(client);
        if (it == registry().end()) return;
        SpeechDispatcher* engine = it->second;
        QMetaObject::invokeMethod(
            engine->m_receiver.get(),
            [engine, message, kind, client, text = std::string(mark ? mark : "")] {
                if (client == engine->m_client && engine->m_connection)
                    engine->deliver(message, kind, text);
            },
            Qt::QueuedConnection);
    }
    static void onEnd(std::size_t message, std::size_t client, SPDNotificationType) {
        post(message, client, kEnd, nullptr);
    }
    static void onCancel(std::size_t message, std::size_t client, SPDNotificationType) {
        post(message, client, kCancel, nullptr);
    }
    static void onMark(std::size_t message, std::size_t client, SPDNotificationType, char* mark) {
        post(message, client, kMark, mark);
    }
};

SpeechDispatcher::SpeechDispatcher(Runner run, std::string name)
    : m_run(std::move(run))
    , m_name(std::move(name))
    , m_receiver(std::make_unique<QObject>()) {
    m_watch = new QTimer(m_receiver.get());
    m_watch->setInterval(1000);
    QObject::connect(m_watch, &QTimer::timeout, m_receiver.get(), [this] { watch(); });
}

SpeechDispatcher::~SpeechDispatcher() {
    close();
}

std::optional<std::string> SpeechDispatcher::open() {
    if (m_connection) return std::nullopt;
    // A write to a service that has just gone must fail, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    char* error = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&error);
    if (!address) {
        m_error = takeMessage(error, "no address for speech-dispatcher");
        return m_error;
    }
    error = nullptr;
    SPDConnection* connection =
        spd_open2(m_name.c_str(), "reader", nullptr, SPD_MODE_THREADED, address, 1, &error);
    SPDConnectionAddress__free(address);
    if (!connection) {
        m_error = takeMessage(error, "speech-dispatcher could not be reached");
        return m_error;
    }
    std::free(error);
    const int client = spd_get_client_id(connection);
    {
        const std::lock_guard lock(registryMutex());
        m_connection = connection;
        m_client = static_cast<std::size_t>(client);
        registry()[m_client] = this;
    }
    connection->callback_end = &SpeechDispatcherCallbacks::onEnd;
    connection->callback_cancel = &SpeechDispatcherCallbacks::onCancel;
    connection->callback_im = &SpeechDispatcherCallbacks::onMark;
    const bool ready = client >= 0 && spd_set_notification_on(connection, SPD_INDEX_MARKS) == 0 &&
                       spd_set_notification_on(connection, SPD_END) == 0 &&
                       spd_set_notification_on(connection, SPD_CANCEL) == 0 &&
                       spd_set_data_mode(connection, SPD_DATA_SSML) == 0;
    if (!ready) {
        close();
        m_error = "speech-dispatcher did not accept the reader's settings";
        return m_error;
    }
    return std::nullopt;
}

void SpeechDispatcher::close() {
    if (!m_connection) return;
    {
        const std::lock_guard lock(registryMutex());
        registry().erase(m_client);
    }
    SPDConnection* connection = std::exchange(m_connection, nullptr);
    if (!connectionLost(connection)) spd_cancel(connection);
    // Waits for the library's thread: no callback comes after this.
    spd_close(connection);
    m_pending = 0;
    m_watch->stop();
}

// Whether the service has gone: the library closes the connection's socket when the service
// hangs up (and calling into it then is not safe for every call).
bool SpeechDispatcher::connectionLost(SPDConnection* connection) {
    if (!connection) return true;
    pollfd socket{connection->socket, POLLRDHUP, 0};
    if (poll(&socket, 1, 0) <= 0) return false;
    return (socket.revents & (POLLNVAL | POLLHUP | POLLERR | POLLRDHUP)) != 0;
}

speech::Utterance SpeechDispatcher::speak(const std::string& ssml) {
    if (!m_connection || connectionLost(m_connection)) {
        close();
        m_error = "the connection to speech-dispatcher was lost";
        return 0;
    }
    const int id = spd_say(m_connection, SPD_TEXT, ssml.c_str());
    if (id <= 0) {
        m_error = "speech-dispatcher did not take the text";
        return 0;
    }
    m_pending = static_cast<speech::Utterance>(id);
    m_lastEvent = std::chrono::steady_clock::now();
    m_watch->start();
    return m_pending;
}

void SpeechDispatcher::stop() {
    if (m_connection && !connectionLost(m_connection)) spd_cancel(m_connection);
    m_pending = 0;
    m_watch->stop();
}

void SpeechDispatcher::deliver(std::size_t message, int kind, const std::string& mark) {
    m_lastEvent = std::chrono::steady_clock::now();
    const auto utterance = static_cast<speech::Utterance>(message);
    if (kind != kMark && utterance == m_pending) {
        m_pending = 0;
        m_watch->stop();
    }
    speech::SpeechEvents* sink = events();
    if (!sink) return;
    if (kind == kMark)
        m_run([sink, utterance, &mark] { sink->markReached(utterance, mark); });
    else
        m_run([sink, utterance] { sink->utteranceEnded(utterance); });
}

// While an utterance is being spoken: a service that has gone fails it.
void SpeechDispatcher::watch() {
    if (m_pending == 0) {
        m_watch->stop();
        return;
    }
    bool lost = connectionLost(m_connection);
    if (!lost && std::chrono::steady_clock::now() - m_lastEvent > kQuietLimit) {
        // An empty utterance after the one being spoken: refused only by a service gone.
        lost = spd_say(m_connection, SPD_TEXT, "<speak></speak>") <= 0;
        m_lastEvent = std::chrono::steady_clock::now();
    }
    if (!lost) return;
    const speech::Utterance failed = m_pending;
    close();
    m_error = "the connection to speech-dispatcher was lost";
    if (speech::SpeechEvents* sink = events())
        m_run([sink, failed, this] { sink->utteranceFailed(failed, m_error); });
}

std::vector<std::string> SpeechDispatcher::voices() {
    static std::mutex mutex;
    static std::vector<std::string> listed;
    const std::lock_guard lock(mutex);
    if (!listed.empty()) return listed;
    char* error = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&error);
    std::free(error);
    if (!address) return {};
    error = nullptr;
    SPDConnection* connection =
        spd_open2("quillmar", "voices", nullptr, SPD_MODE_SINGLE, address, 1, &error);
    SPDConnectionAddress__free(address);
    std::free(error);
    if (!connection) return {};
    if (SPDVoice** voices = spd_list_synthesis_voices(connection)) {
        for (SPDVoice** v = voices; *v; ++v)
            if ((*v)->name) listed.emplace_back((*v)->name);
        free_spd_voices(voices);
    }
    spd_close(connection);
    return listed;
}

void SpeechDispatcher::setVoice(const std::string& name) {
    if (m_connection && !name.empty()) spd_set_synthesis_voice(m_connection, name.c_str());
}

void SpeechDispatcher::setRate(int rate) {
    if (m_connection) spd_set_voice_rate(m_connection, rate);
}

void SpeechDispatcher::setPitch(int pitch) {
    if (m_connection) spd_set_voice_pitch(m_connection, pitch);
}

void SpeechDispatcher::setVolume(int volume) {
    if (m_connection) spd_set_volume(m_connection, volume);
}

} // namespace qm
