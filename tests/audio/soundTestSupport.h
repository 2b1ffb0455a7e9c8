// Helpers shared by the audio tests: WAV files built byte by byte, and the
// loopback mix measured as a peak level.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "audio/glSound.h"

namespace soundTest {

// The loopback mix runs at the rate of the test sounds, so nothing is resampled.
const int kRate = 22050;

inline std::string le16(unsigned value) { return std::string{(char)(value & 0xff), (char)((value >> 8) & 0xff)}; }
inline std::string le32(uint32_t value) { return le16(value & 0xffff) + le16(value >> 16); }

// A chunk with its pad byte when the size is odd.
inline std::string chunk(const std::string &id, const std::string &body) {
    std::string out = id + le32((uint32_t)body.size()) + body;
    if (body.size() & 1) out += '\0';
    return out;
}

// A "fmt " chunk body of `size` bytes (16 or more; a shorter one is cut).
inline std::string fmtBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits, unsigned size = 16) {
    unsigned align = channels * bits / 8;
    std::string body = le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
    if (size >= 18) body += le16(size - 18);
    body.resize(size, '\0');
    return body;
}

inline std::string riff(const std::string &chunks, const std::string &form = "WAVE") {
    return "RIFF" + le32((uint32_t)(chunks.size() + 4)) + form + chunks;
}

// `frames` 16-bit samples of one constant level: sounds add up whatever their
// start times, and any few samples show the level.
inline std::string flat16(int frames, double level) {
    std::string out;
    for (int i = 0; i < frames; i++) out += le16((unsigned)(int16_t)std::lround(level * 32767));
    return out;
}

// A mono 16-bit PCM file at kRate.
inline std::string flatWav(int frames, double level) {
    return riff(chunk("fmt ", fmtBody(1, 1, kRate, 16)) + chunk("data", flat16(frames, level)));
}

inline std::string writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Renders `settle` frames, then `frames` more, and returns the largest
// magnitude of the latter. A gain change glides over the whole first render
// after it, so the level is read only once it has arrived.
inline float renderPeak(int frames = 64, int settle = 256) {
    std::vector<float> samples((size_t)(frames > settle ? frames : settle));
    if (settle > 0) {
        EXPECT_TRUE(renderLoopbackSound(samples.data(), settle));
    }
    EXPECT_TRUE(renderLoopbackSound(samples.data(), frames));
    float peak = 0;
    for (int i = 0; i < frames; i++) peak = std::fmax(peak, std::fabs(samples[(size_t)i]));
    return peak;
}

// The gain the attenuation law gives a volume.
inline double lawGain(float volume) { return std::pow(10.0, soundAttenuationForVolume(volume) / 2000.0); }

}  // namespace soundTest
