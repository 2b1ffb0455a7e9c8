// Feeds arbitrary bytes to the input-recording reader as a recording file.
// First the line reader alone, over the bytes in memory: every line it
// accepts must have a frame of 0 or more and a non-empty event name under 128
// characters. Then the whole playback: the bytes are written to a file that
// the input manager plays back through its poll, step by step, with a few
// bindings and a live key queued on the way, until the playback ends; every
// delivered event must be a name the file could hold. The playback logs a line
// for every line it refuses; -close_fd_mask=2 keeps it quiet. Seeds:
// fuzz/corpus/fuzz_glInputRecording.
//   cmake --build build-fuzz --target fuzz_glInputRecording
//   build-fuzz/fuzz/fuzz_glInputRecording -max_total_time=600 -close_fd_mask=2
//       -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus-rec fuzz/corpus/fuzz_glInputRecording
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "input/glInput.h"

// The rebinding mode tells a sprite; there are none here.
void sendEventToSprite(int ref, const char *event) { (void)ref, (void)event; }

static void private_check(char *name, long value) {
    (void)value;
    size_t length = strlen(name);
    if (length == 0 || length >= kInputTextLength) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *memory = fmemopen((void *)data, size, "rb");
    if (memory) {
        inputRecordingLine line;
        int status;
        while ((status = glInput_readRecordingLine(memory, &line)) != kRecordingLineEnd) {
            if (status != kRecordingLineOk) continue;
            size_t length = strnlen(line.event, sizeof(line.event));
            if (line.frame < 0 || length == 0 || length >= sizeof(line.event)) __builtin_trap();
        }
        fclose(memory);
    }

    static std::string path = "/tmp/fuzz_glInputRecording_" + std::to_string(getpid()) + ".rec";
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    fwrite(data, 1, size, file);
    fclose(file);

    glInput_initInputManager();
    glInput_beginGetAnyEvent();
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    glInput_addControlBinding("A Key:0xFFFFFFFF:97:1:1", "left", 1);
    long *jump = glInput_getEventValueReference("jump");
    glInput_playInputRecording(path.c_str());
    char element[64];
    // Frames far ahead are not waited for: a few hundred steps show the logic.
    for (int step = 0; step < 300 && glInput_isPlayingBack(); step++) {
        if (step == 3) glInput_postKeyDownEvent('q');
        glInput_pollEvents(element, 1, private_check);
        glInput_updateInputRecording();
    }
    glInput_endInputRecording();
    if (*jump != 0) __builtin_trap();  // every value is 0 once a playback ends
    glInput_destructInputManager();
    return 0;
}
