// Feeds arbitrary bytes to the WAV reader (glSoundWAV_read) as the content of a
// file, then asks for the buffer format of what it found and reads every sample
// byte it points at, so a position or size that escapes the input is caught by
// the address sanitizer. No sound device is needed. The reader logs a line for
// every rejected input; -close_fd_mask=2 keeps it quiet. Seeds (small files of
// tests/conformance/wav and one of the game's sounds): fuzz/corpus/fuzz_glSoundWAV;
// how to run it: fuzz/README.md.
#include <cstddef>
#include <cstdint>

#include "audio/glSoundWAV.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    wavSound sound;
    if (!glSoundWAV_read(data, size, &sound)) return 0;
    if (sound.samples < data || sound.samples + sound.size > data + size) __builtin_trap();
    uint64_t sum = 0;
    for (uint32_t i = 0; i < sound.size; i++) sum += sound.samples[i];
    if (sum > 255u * (uint64_t)sound.size) __builtin_trap();
    (void)glSoundWAV_bufferFormat(&sound.format);
    return 0;
}
