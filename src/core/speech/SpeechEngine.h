#pragma once
// The speech port: what reading aloud asks of a speech service. The program speaks through the
// desktop's speech service (ui/SpeechDispatcher); tests use a fake that fires marks, ends
// utterances and fails on demand (testing/FakeSpeechEngine.h).
//
// An utterance is one SSML document, normally one sentence, with a <mark/> before each line it
// reads. The engine reports, on the thread that drives the reader, each mark as the voice
// reaches it, the end of the utterance, or its failure. Events of an utterance the reader has
// stopped may still arrive; the reader tells them apart by the utterance's number.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::speech {

// An utterance's number, as the engine gave it; 0 is none.
using Utterance = std::uint64_t;

class SpeechEvents {
public:
    virtual void markReached(Utterance utterance, const std::string& mark) = 0;
    // The utterance was spoken to its end (or cut short by the service for another speaker).
    virtual void utteranceEnded(Utterance utterance) = 0;
    // The service failed while speaking it; message says what went wrong.
    virtual void utteranceFailed(Utterance utterance, const std::string& message) = 0;

protected:
    ~SpeechEvents() = default;
};

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // Where the events go; set once by the reader before anything is spoken.
    void setEvents(SpeechEvents* events) { m_events = events; }

    // Connects to the service when not connected. Nothing, or what went wrong.
    virtual std::optional<std::string> open() = 0;
    virtual bool isOpen() const = 0;
    // Stops speaking and lets the service go; nothing is heard or reported after it.
    virtual void close() = 0;

    // Queues the SSML document; its number, or 0 when the service refused it (see error()).
    virtual Utterance speak(const std::string& ssml) = 0;
    // Cancels what is being spoken and everything queued.
    virtual void stop() = 0;
    // Why the last open or speak failed.
    virtual std::string error() const = 0;

    // The service's voices, by the names setVoice takes.
    virtual std::vector<std::string> voices() = 0;
    // An empty name leaves the service's own choice.
    virtual void setVoice(const std::string& name) = 0;
    // Each from -100 to 100, 0 the service's normal value.
    virtual void setRate(int rate) = 0;
    virtual void setPitch(int pitch) = 0;
    virtual void setVolume(int volume) = 0;

protected:
    SpeechEvents* events() const { return m_events; }

private:
    SpeechEvents* m_events = nullptr;
};

} // namespace qm::speech
