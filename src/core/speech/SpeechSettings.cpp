#include "core/speech/SpeechSettings.h"

#include <algorithm>
#include <climits>

namespace qm::speech {

namespace {

constexpr int kLowest = -100;
constexpr int kHighest = 100;

// A key's value held to -100..100; the current value when the key is missing or no integer.
std::optional<int> readLevel(const IniDocument& ini, const char* key, std::optional<int> current) {
    constexpr int kMissing = INT_MIN;
    const int value = ini.readInteger(kSpeechSection, key, kMissing);
    if (value == kMissing) return current;
    return std::clamp(value, kLowest, kHighest);
}

} // namespace

SpeechSettings readSpeechSettings(const IniDocument& ini, const SpeechSettings& current) {
    SpeechSettings s;
    s.voice = ini.value(kSpeechSection, "voice").value_or(current.voice);
    s.rate = readLevel(ini, "rate", current.rate);
    s.pitch = readLevel(ini, "pitch", current.pitch);
    s.volume = readLevel(ini, "volume", current.volume);
    return s;
}

void writeSpeechSettings(IniDocument& ini, const SpeechSettings& s) {
    if (!s.voice.empty() || ini.value(kSpeechSection, "voice"))
        ini.writeString(kSpeechSection, "voice", s.voice);
    if (s.rate) ini.writeInteger(kSpeechSection, "rate", *s.rate);
    if (s.pitch) ini.writeInteger(kSpeechSection, "pitch", *s.pitch);
    if (s.volume) ini.writeInteger(kSpeechSection, "volume", *s.volume);
}

int steppedRate(const SpeechSettings& s, int steps) {
    return std::clamp(s.rate.value_or(0) + steps * kRateStep, kLowest, kHighest);
}

} // namespace qm::speech
