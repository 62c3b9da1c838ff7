#pragma once
// How long a voice takes to speak some SSML at its normal rate: espeak-ng (the voice the
// speech service uses) writes the audio of each utterance to a WAV file, and the files'
// lengths are added up. The normal rate is the one the service's espeak-ng module speaks at
// when the reader sets none (EspeakNormalRate in its configuration, 170 words a minute when
// the file is missing).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace qmbench {

inline int espeakNormalRate(const char* config = "/etc/speech-dispatcher/modules/espeak-ng.conf") {
    int rate = 170;
    if (std::FILE* f = std::fopen(config, "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "EspeakNormalRate", 16) == 0) rate = std::atoi(line + 16);
        std::fclose(f);
    }
    return rate > 0 ? rate : 170;
}

// Seconds of sound in a RIFF WAV file's data chunk, or nothing when it is not one.
inline std::optional<double> wavSeconds(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[65536];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
            bytes.append(block, n);
        std::fclose(f);
    }
    const auto word = [&bytes](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    std::uint32_t byteRate = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = word(at + 4);
        if (id == "fmt " && at + 20 <= bytes.size()) byteRate = word(at + 16);
        if (id == "data" && byteRate > 0)
            return static_cast<double>(std::min<std::size_t>(size, bytes.size() - at - 8)) /
                   byteRate;
        at += 8 + size + (size & 1u);
    }
    return std::nullopt;
}

// The seconds the utterances take one after the other (no gap between them), or nothing when
// espeak-ng cannot be run; `folder` takes the files made on the way.
inline std::optional<double> spokenSeconds(const std::vector<std::string>& ssml,
                                           const std::string& folder) {
    const std::string text = folder + "/utterance.ssml", wav = folder + "/utterance.wav";
    const std::string command = "espeak-ng -m -s " + std::to_string(espeakNormalRate()) + " -w '" +
                                wav + "' -f '" + text + "' 2>/dev/null";
    double seconds = 0;
    for (const std::string& utterance : ssml) {
        std::FILE* f = std::fopen(text.c_str(), "wb");
        if (!f) return std::nullopt;
        const bool written =
            std::fwrite(utterance.data(), 1, utterance.size(), f) == utterance.size();
        if (std::fclose(f) != 0 || !written) return std::nullopt;
        if (std::system(command.c_str()) != 0) return std::nullopt;
        const std::optional<double> length = wavSeconds(wav);
        if (!length) return std::nullopt;
        seconds += *length;
    }
    return seconds;
}

} // namespace qmbench
