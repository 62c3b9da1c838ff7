#pragma once
// Reading aloud: the sequence that reads the open text sentence by sentence through a speech
// engine, lights each line as the voice reaches its mark, turns the page when the voice passes
// the page's last line, follows the reader's own moves and stops at the end of the text, on
// Stop, when the text closes and when the window closes. A failing or missing speech service
// stops the reading with a message that names what to install; nothing else changes.
//
// Pause stops the voice and keeps the lit line: reading on starts again from that line, so
// the phrase that was cut off is heard whole.
#include "core/base/LineBuffer.h"
#include "core/speech/SpeechEngine.h"
#include "core/speech/SpeechSettings.h"
#include "core/speech/SpeechText.h"

#include <string>

namespace qm::speech {

// What reading aloud asks of the reader: the open text, the page and its drawing.
class ReadingHost {
public:
    virtual ~ReadingHost() = default;
    virtual const LineBuffer& lines() const = 0;
    // Whether the text read from is still the one open.
    virtual bool textStillOpen() const = 0;
    virtual int pageTop() const = 0;
    // The first line after the page (the next top line).
    virtual int pageEnd() const = 0;
    // The voice reached the line's mark: called as the mark arrives, before the page turns to
    // the line and it is lit.
    virtual void reached(int /*line*/) {}
    // Shows the next page with this line lit on it.
    virtual void turnPage(int litLine) = 0;
    // Lights the line on the page; -1 lights none.
    virtual void light(int line) = 0;
    virtual void tell(const std::string& message) = 0;
    // Reading stopped: at the end of the text, on Stop, on a failure or at close.
    virtual void readingStopped() = 0;
};

class ReadAloud final : public SpeechEvents {
public:
    enum class State { Idle, Speaking, Paused };

    ReadAloud(SpeechEngine& engine, ReadingHost& host);
    ReadAloud(const ReadAloud&) = delete;
    ReadAloud& operator=(const ReadAloud&) = delete;

    // Start/Pause: when idle, reads from the line `from`; when speaking, pauses; when
    // paused, reads on from the lit line.
    void startOrPause(int from);
    // Reads from the line, whatever it was doing.
    void readFrom(int line);
    void stop();
    // The reader moved the page (a page key, a contents, bookmark, index or find jump): the
    // voice goes on from the new page's first line (or will, when paused).
    void pageMoved(int top);
    // Stops and lets the speech service go (the window closes).
    void shutDown();

    void setSettings(const SpeechSettings& settings);
    const SpeechSettings& settings() const { return m_settings; }
    void setStyle(const SpeechStyle& style) { m_style = style; }
    // Connects to the service when needed; false, with the message told, when it cannot.
    bool connect();

    SpeechEngine& engine() const { return m_engine; }
    State state() const { return m_state; }
    bool reading() const { return m_state != State::Idle; }
    int litLine() const { return m_lit; }

    // ---- Engine events ----
    void markReached(Utterance utterance, const std::string& mark) override;
    void utteranceEnded(Utterance utterance) override;
    void utteranceFailed(Utterance utterance, const std::string& message) override;

    // The messages the reader shows when the service cannot be reached, or fails.
    static std::string noServiceMessage(const std::string& detail);
    static std::string failedMessage(const std::string& detail);

private:
    void speakFrom(int line);
    void silence();
    void finish();
    void fail(const std::string& message);
    void applySettings();

    SpeechEngine& m_engine;
    ReadingHost& m_host;
    SpeechSettings m_settings;
    SpeechStyle m_style;
    State m_state = State::Idle;
    Utterance m_utterance = 0; // the one being spoken; events of others are old
    int m_start = 0;           // its first line
    int m_next = 0;            // the line after it
    int m_lit = -1;
};

} // namespace qm::speech
