// glSoundWAV: reading RIFF WAVE files from bytes in memory. A small RIFF chunk
// reader (find a chunk, ascend out of it, chunks padded to even sizes) finds
// the "fmt " and "data" chunks of a PCM file. It touches no device and no
// file, so it can be tested and fuzzed alone; glSound turns the result into a
// sound buffer. Every failure is logged on stderr with the loader's message.
#pragma once

#include <cstddef>
#include <cstdint>

// The 18-byte format description of the "fmt " chunk. A 16-byte chunk (the
// common PCM form) reads as one with no extra bytes.
struct wavFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};

struct wavSound {
    wavFormat format;
    const unsigned char *samples;  // points into the bytes that were read
    uint32_t size;                 // bytes of samples present (cut at the end of the file)
};

enum { kWaveFormatPCM = 1 };

// Finds RIFF WAVE, reads "fmt " (format tag must be PCM), ascends and finds
// "data". Returns 1 and fills `sound`, or 0 after logging what failed.
int glSoundWAV_read(const unsigned char *bytes, size_t length, wavSound *sound);

// The AL buffer format for these samples (8 or 16 bits; mono, stereo, or the
// 4/6/7/8-channel layouts), or 0 when no sound buffer can take them.
int glSoundWAV_bufferFormat(const wavFormat *format);
