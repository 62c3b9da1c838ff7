#pragma once
// The speech port over the desktop's speech service, speech-dispatcher, through its client
// library: each utterance is sent as SSML, and the service's index marks, ends and
// cancellations come back on the library's own thread. They are handed to the window's thread
// with a queued call and run there through `run` (the window's general error report), so the
// session is only ever touched on the window's thread.
//
// The connection is made on the first open() (the service is started when the desktop allows
// it) and kept until close() or destruction, which cancel what is being spoken first: nothing
// keeps talking after the window has gone. A service that dies while speaking is noticed
// within a second or two and reported as the utterance's failure.
#include "core/speech/SpeechEngine.h"

#include <QObject>

#include <libspeechd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace qm {

class SpeechDispatcher final : public speech::SpeechEngine {
public:
    using Runner = std::function<bool(const std::function<void()>&)>;
    // `name` is the client's name the service shows.
    explicit SpeechDispatcher(Runner run, std::string name = "quillmar");
    ~SpeechDispatcher() override;
    SpeechDispatcher(const SpeechDispatcher&) = delete;
    SpeechDispatcher& operator=(const SpeechDispatcher&) = delete;

    std::optional<std::string> open() override;
    bool isOpen() const override { return m_connection != nullptr; }
    void close() override;
    speech::Utterance speak(const std::string& ssml) override;
    void stop() override;
    std::string error() const override { return m_error; }
    // Listed on a connection of its own, so that a long listing holds up no speaking; kept for
    // the rest of the run once listed. Safe on any thread.
    std::vector<std::string> voices() override;
    void setVoice(const std::string& name) override;
    void setRate(int rate) override;
    void setPitch(int pitch) override;
    void setVolume(int volume) override;

private:
    friend struct SpeechDispatcherCallbacks;
    // On the window's thread.
    void deliver(std::size_t message, int kind, const std::string& mark);
    void watch();
    static bool connectionLost(SPDConnection* connection);

    Runner m_run;
    std::string m_name;
    SPDConnection* m_connection = nullptr;
    std::size_t m_client = 0;
    std::string m_error;
    // Receives the queued calls; queued calls to it die with it.
    std::unique_ptr<QObject> m_receiver;
    QTimer* m_watch = nullptr;
    speech::Utterance m_pending = 0; // the last utterance not yet ended
    std::chrono::steady_clock::time_point m_lastEvent;
};

} // namespace qm
