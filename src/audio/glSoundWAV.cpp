// glSoundWAV: RIFF chunk reader and the WAVE layout on top of it. Positions and
// sizes are 64-bit so no header value can wrap them; every read is checked
// against the end of the bytes.

#include "audio/glSoundWAV.h"

#include <AL/al.h>
#include <AL/alext.h>

#include <cstdio>

// One chunk found by a descent: where its data starts and how long it says it is.
struct riffChunk {
    uint32_t id;
    uint32_t size;
    uint64_t dataOffset;
};

struct riffReader {
    const unsigned char *bytes;
    uint64_t length;
    uint64_t position;
};

enum riffSearch { kFindRiff, kFindChunk };

static uint32_t private_fourCC(const char *text) {
    return (uint32_t)(unsigned char)text[0] | (uint32_t)(unsigned char)text[1] << 8 |
           (uint32_t)(unsigned char)text[2] << 16 | (uint32_t)(unsigned char)text[3] << 24;
}

static uint32_t private_read32(const unsigned char *at) {
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static uint16_t private_read16(const unsigned char *at) { return (uint16_t)(at[0] | at[1] << 8); }

// Where the search inside `parent` must stop: its declared end, but never past
// the bytes there are (headers often overstate the size of streamed files).
static uint64_t private_searchEnd(const riffReader *reader, const riffChunk *parent) {
    if (!parent) return reader->length;
    uint64_t end = parent->dataOffset + parent->size;
    return end < reader->length ? end : reader->length;
}

// Walks the chunks from the current position to the end of `parent` (the whole
// file without one) and stops inside the first that matches: a "RIFF" of form
// `id`, or a chunk named `id`. Chunks passed over are skipped with their pad
// byte. Returns 1 with the reader just after the header (and form type).
static int private_descend(riffReader *reader, riffChunk *found, const riffChunk *parent, uint32_t id,
                           riffSearch search) {
    uint64_t end = private_searchEnd(reader, parent);
    uint64_t position = reader->position;
    while (position + 8 <= end) {
        const unsigned char *header = reader->bytes + position;
        riffChunk chunk = {private_read32(header), private_read32(header + 4), position + 8};
        if (search == kFindRiff) {
            if (chunk.id == private_fourCC("RIFF") && chunk.dataOffset + 4 <= end &&
                private_read32(header + 8) == id) {
                *found = chunk;
                reader->position = chunk.dataOffset + 4;
                return 1;
            }
        } else if (chunk.id == id) {
            *found = chunk;
            reader->position = chunk.dataOffset;
            return 1;
        }
        position = chunk.dataOffset + chunk.size + (chunk.size & 1);
    }
    return 0;
}

// Moves past the chunk and its pad byte. Fails when the chunk's own bytes run
// past the end of the file, so there is nothing after it to find.
static int private_ascend(riffReader *reader, const riffChunk *chunk) {
    if (chunk->dataOffset + chunk->size > reader->length) return 0;
    reader->position = chunk->dataOffset + chunk->size + (chunk->size & 1);
    return 1;
}

int glSoundWAV_read(const unsigned char *bytes, size_t length, wavSound *sound) {
    riffReader reader = {bytes, bytes ? (uint64_t)length : 0, 0};
    riffChunk wave, fmt, data;
    if (!private_descend(&reader, &wave, nullptr, private_fourCC("WAVE"), kFindRiff)) {
        fprintf(stderr, "Error: mmioDescend(wave)\n");
        return 0;
    }
    if (!private_descend(&reader, &fmt, &wave, private_fourCC("fmt "), kFindChunk)) {
        fprintf(stderr, "Error: mmioDescend(fmt )\n");
        return 0;
    }
    // 16 bytes describe PCM completely; the 18-byte form adds the extra size.
    uint64_t available = reader.length - fmt.dataOffset;
    if (fmt.size < 16 || available < 16 || (fmt.size >= 18 && available < 18)) {
        fprintf(stderr, "Error: mmioRead()\n");
        return 0;
    }
    const unsigned char *f = bytes + fmt.dataOffset;
    wavFormat format = {private_read16(f),      private_read16(f + 2),  private_read32(f + 4),
                        private_read32(f + 8),  private_read16(f + 12), private_read16(f + 14),
                        (uint16_t)(fmt.size >= 18 ? private_read16(f + 16) : 0)};
    if (format.formatTag != kWaveFormatPCM) {
        fprintf(stderr, "Error: wfmtx.wFormatTag != WAVE_FORMAT_PCM (%d)\n", format.formatTag);
        return 0;
    }
    if (!private_ascend(&reader, &fmt)) {
        fprintf(stderr, "Error: mmioAscend()\n");
        return 0;
    }
    if (!private_descend(&reader, &data, &wave, private_fourCC("data"), kFindChunk)) {
        fprintf(stderr, "Error: mmioDescend(data)\n");
        return 0;
    }
    // A truncated file gives what it holds.
    uint64_t present = reader.length - data.dataOffset;
    sound->format = format;
    sound->samples = bytes + data.dataOffset;
    sound->size = (uint32_t)(data.size < present ? data.size : present);
    return 1;
}

int glSoundWAV_bufferFormat(const wavFormat *format) {
    static const int kFormats[9][2] = {
        {0, 0},
        {AL_FORMAT_MONO8, AL_FORMAT_MONO16},
        {AL_FORMAT_STEREO8, AL_FORMAT_STEREO16},
        {0, 0},
        {AL_FORMAT_QUAD8, AL_FORMAT_QUAD16},
        {0, 0},
        {AL_FORMAT_51CHN8, AL_FORMAT_51CHN16},
        {AL_FORMAT_61CHN8, AL_FORMAT_61CHN16},
        {AL_FORMAT_71CHN8, AL_FORMAT_71CHN16},
    };
    if (format->channels > 8) return 0;
    if (format->bitsPerSample != 8 && format->bitsPerSample != 16) return 0;
    // A frame is one sample per channel; any other block size would misalign them.
    if (format->blockAlign != format->channels * (format->bitsPerSample / 8)) return 0;
    if (format->samplesPerSec == 0 || format->samplesPerSec > 0x7fffffff) return 0;
    return kFormats[format->channels][format->bitsPerSample == 16];
}
