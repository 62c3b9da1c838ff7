#include "core/speech/ReadAloud.h"

namespace qm::speech {

namespace {

// What to install for reading aloud, named in every message about the service.
constexpr const char* kInstall =
    "Install the packages speech-dispatcher and speech-dispatcher-espeak-ng (or another "
    "speech-dispatcher voice), then choose Read Aloud again.";

// A page is at least one line long, so a mark never needs more turns than lines; this bounds
// the turns when a page cannot move.
constexpr int kMostTurnsPerMark = 64;

} // namespace

ReadAloud::ReadAloud(SpeechEngine& engine, ReadingHost& host)
    : m_engine(engine)
    , m_host(host) {
    m_engine.setEvents(this);
}

std::string ReadAloud::noServiceMessage(const std::string& detail) {
    return "Read Aloud could not reach a speech service (" + detail + "). " + kInstall;
}

std::string ReadAloud::failedMessage(const std::string& detail) {
    return "Read Aloud stopped: the speech service failed (" + detail + "). " + kInstall;
}

bool ReadAloud::connect() {
    if (m_engine.isOpen()) return true;
    if (const std::optional<std::string> error = m_engine.open()) {
        m_host.tell(noServiceMessage(*error));
        return false;
    }
    applySettings();
    return true;
}

void ReadAloud::startOrPause(int from) {
    switch (m_state) {
    case State::Idle:
        readFrom(from);
        break;
    case State::Speaking:
        silence();
        m_state = State::Paused;
        break;
    case State::Paused:
        m_state = State::Speaking;
        speakFrom(m_lit >= 0 ? m_lit : m_start);
        break;
    }
}

void ReadAloud::readFrom(int line) {
    if (!connect()) return;
    silence();
    m_state = State::Speaking;
    speakFrom(line);
}

void ReadAloud::stop() {
    if (m_state == State::Idle) return;
    silence();
    finish();
}

void ReadAloud::pageMoved(int top) {
    if (m_state == State::Idle) return;
    silence();
    m_start = top;
    m_lit = -1;
    m_host.light(-1);
    if (m_state == State::Speaking) speakFrom(top);
}

void ReadAloud::shutDown() {
    stop();
    m_engine.close();
}

void ReadAloud::setSettings(const SpeechSettings& settings) {
    const SpeechSettings old = std::exchange(m_settings, settings);
    if (!m_engine.isOpen() || old == settings) return;
    // A setting given up returns to the service's own value, which only a new connection has.
    const bool givenUp = (!old.voice.empty() && settings.voice.empty()) ||
                         (old.rate && !settings.rate) || (old.pitch && !settings.pitch) ||
                         (old.volume && !settings.volume);
    if (givenUp && m_state == State::Idle)
        m_engine.close();
    else
        applySettings();
}

void ReadAloud::applySettings() {
    if (!m_settings.voice.empty()) m_engine.setVoice(m_settings.voice);
    if (m_settings.rate) m_engine.setRate(*m_settings.rate);
    if (m_settings.pitch) m_engine.setPitch(*m_settings.pitch);
    if (m_settings.volume) m_engine.setVolume(*m_settings.volume);
}

void ReadAloud::speakFrom(int line) {
    const std::optional<UtteranceText> text = utteranceFrom(m_host.lines(), line, m_style);
    if (!text) {
        finish(); // the end of the text
        return;
    }
    const Utterance utterance = m_engine.speak(text->ssml);
    if (utterance == 0) {
        fail(m_engine.error());
        return;
    }
    m_utterance = utterance;
    m_start = text->lines.front();
    m_next = text->end;
}

// The voice stops; whatever the engine still reports of it is old.
void ReadAloud::silence() {
    if (m_utterance != 0 || m_state == State::Speaking) m_engine.stop();
    m_utterance = 0;
}

void ReadAloud::finish() {
    m_state = State::Idle;
    m_utterance = 0;
    m_lit = -1;
    m_host.light(-1);
    m_host.readingStopped();
}

void ReadAloud::fail(const std::string& message) {
    silence();
    finish();
    // The next Start connects anew.
    m_engine.close();
    m_host.tell(failedMessage(message));
}

void ReadAloud::markReached(Utterance utterance, const std::string& mark) {
    if (utterance != m_utterance || utterance == 0) return;
    if (!m_host.textStillOpen()) {
        stop();
        return;
    }
    const std::optional<int> line = lineOfMark(mark);
    if (!line) return;
    m_host.reached(*line);
    for (int turns = 0; *line >= m_host.pageEnd() && turns < kMostTurnsPerMark; ++turns) {
        const int before = m_host.pageTop();
        m_host.turnPage(*line);
        if (m_host.pageTop() == before) break; // no page to turn to
    }
    m_lit = *line;
    m_host.light(*line);
}

void ReadAloud::utteranceEnded(Utterance utterance) {
    if (utterance != m_utterance || utterance == 0) return;
    m_utterance = 0;
    if (!m_host.textStillOpen()) {
        stop();
        return;
    }
    if (m_state == State::Speaking) speakFrom(m_next);
}

void ReadAloud::utteranceFailed(Utterance utterance, const std::string& message) {
    if (utterance != m_utterance || utterance == 0) return;
    m_utterance = 0;
    fail(message);
}

} // namespace qm::speech
