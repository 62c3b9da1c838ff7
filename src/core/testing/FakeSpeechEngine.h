#pragma once
// A speech engine for tests: it keeps what it is asked to speak, and fires the marks of the
// utterance in front, ends it or fails it when the test says so. Opening and speaking fail on
// demand.
#include "core/speech/SpeechEngine.h"
#include "core/speech/SpeechText.h"

#include <deque>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace qm {

class FakeSpeechEngine final : public speech::SpeechEngine {
public:
    struct Spoken {
        speech::Utterance id;
        std::string ssml;
        std::vector<std::string> marks; // in the order they stand
        std::size_t nextMark = 0;
    };

    std::optional<std::string> open() override {
        ++opens;
        if (openError) return openError;
        m_open = true;
        return std::nullopt;
    }
    bool isOpen() const override { return m_open; }
    void close() override {
        ++closes;
        m_open = false;
        queue.clear();
    }
    speech::Utterance speak(const std::string& ssml) override {
        if (speakError) return 0;
        Spoken s{++m_last, ssml, {}, 0};
        static const std::regex mark("<mark name=\"([^\"]*)\"/>");
        for (auto it = std::sregex_iterator(ssml.begin(), ssml.end(), mark);
             it != std::sregex_iterator(); ++it)
            s.marks.push_back((*it)[1]);
        queue.push_back(s);
        spoken.push_back(std::move(s));
        return m_last;
    }
    void stop() override {
        ++stops;
        queue.clear();
    }
    std::string error() const override { return speakError.value_or(""); }
    std::vector<std::string> voices() override { return voiceList; }
    void setVoice(const std::string& name) override { voice = name; }
    void setRate(int r) override { rate = r; }
    void setPitch(int p) override { pitch = p; }
    void setVolume(int v) override { volume = v; }

    // The next mark of the utterance in front; false when it has none left (or none is queued).
    bool fireMark() {
        if (queue.empty() || queue.front().nextMark >= queue.front().marks.size()) return false;
        Spoken& s = queue.front();
        events()->markReached(s.id, s.marks[s.nextMark++]);
        return true;
    }
    // Ends the utterance in front; false when none is queued.
    bool finishUtterance() {
        if (queue.empty()) return false;
        const speech::Utterance id = queue.front().id;
        queue.pop_front();
        events()->utteranceEnded(id);
        return true;
    }
    // Fires every mark of the utterance in front, then ends it.
    bool speakOne() {
        if (queue.empty()) return false;
        while (fireMark()) {
        }
        return finishUtterance();
    }
    void failUtterance(const std::string& message) {
        if (queue.empty()) return;
        const speech::Utterance id = queue.front().id;
        queue.pop_front();
        events()->utteranceFailed(id, message);
    }

    std::optional<std::string> openError;
    std::optional<std::string> speakError;
    std::vector<std::string> voiceList;
    std::deque<Spoken> queue;  // being spoken, in order
    std::vector<Spoken> spoken; // every utterance asked for
    std::string voice;
    std::optional<int> rate, pitch, volume;
    int opens = 0, closes = 0, stops = 0;

private:
    bool m_open = false;
    speech::Utterance m_last = 0;
};

} // namespace qm
