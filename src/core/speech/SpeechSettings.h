#pragma once
// The reading voice's settings, kept in the settings file in a section of their own,
// "[speech]", beside the reader's own section: voice (a name the service knows; empty for the
// service's choice), rate, pitch and volume (each -100 to 100). A setting missing from the
// file keeps the value in force, and one never set leaves the service's own value.
#include "core/settings/IniDocument.h"

#include <optional>
#include <string>

namespace qm::speech {

inline constexpr const char* kSpeechSection = "speech";
inline constexpr int kRateStep = 10;

struct SpeechSettings {
    std::string voice;
    std::optional<int> rate;
    std::optional<int> pitch;
    std::optional<int> volume;
    bool operator==(const SpeechSettings&) const = default;
};

// The settings the file holds, over `current` for what it lacks; values are held to -100..100.
SpeechSettings readSpeechSettings(const IniDocument& ini, const SpeechSettings& current);
// Writes the settings that are set into the section, every other line left as it stands.
void writeSpeechSettings(IniDocument& ini, const SpeechSettings& settings);

// The rate one step faster (steps > 0) or slower, from the service's normal rate when none is
// set, held to -100..100.
int steppedRate(const SpeechSettings& settings, int steps);

} // namespace qm::speech
