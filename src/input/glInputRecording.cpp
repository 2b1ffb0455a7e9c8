// glInput (recording): bound events written to a text file with the update
// step they were delivered on, "frame value event" a line, and such a file
// played back step by step in place of, and alongside, live input. The step
// counter grows at the end of every update step and is reset when a recording
// or a playback starts.
//
// Reading is strict where the file is not what this writer makes: a line that
// is too long, not "frame value event", or earlier than the line before it is
// named in the log (file and line number). A too-long or malformed line is
// skipped; an early one is delivered at once, as a line whose step has passed.

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/glInput.h"

static FILE *inputLogFile = nullptr;
static FILE *playbackLogFile = nullptr;
static std::string playbackName;
static int playbackLineNumber = 0;
static int updateCounter = 0;
static int currentPlayback_time = -1;
static long currentPlayback_value = 0;
static char currentPlayback_event[kInputTextLength];
// Events a recording has seen go on and not yet off, so that its end can let
// go of them at the step where it stopped.
static std::string heldEvents[64];
static int heldEventCount = 0;

// Reads a decimal integer that fills the whole text and fits the range.
static int private_readInteger(const char *text, long low, long high, long *value) {
    const char *digits = text[0] == '-' ? text + 1 : text;
    if (!isdigit((unsigned char)digits[0])) return 0;
    errno = 0;
    char *end = nullptr;
    long parsed = strtol(text, &end, 10);
    if (errno != 0 || *end != 0 || parsed < low || parsed > high) return 0;
    *value = parsed;
    return 1;
}

int glInput_readRecordingLine(FILE *file, inputRecordingLine *line) {
    char text[kInputTextLength];
    size_t length = 0;
    bool tooLong = false, any = false;
    int c;
    while ((c = fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (c == '\r') {
            int next = fgetc(file);
            if (next != '\n' && next != EOF) ungetc(next, file);
            break;
        }
        if (length < sizeof(text) - 1)
            text[length++] = (char)c;
        else
            tooLong = true;
    }
    if (!any) return kRecordingLineEnd;
    if (tooLong) return kRecordingLineTooLong;
    text[length] = 0;
    if (memchr(text, 0, length)) return kRecordingLineMalformed;  // a zero byte inside the line

    char *firstSpace = strchr(text, ' ');
    char *secondSpace = firstSpace ? strchr(firstSpace + 1, ' ') : nullptr;
    if (!secondSpace || !secondSpace[1]) return kRecordingLineMalformed;
    *firstSpace = *secondSpace = 0;
    long frame = 0, value = 0;
    if (!private_readInteger(text, 0, INT_MAX, &frame) || !private_readInteger(firstSpace + 1, LONG_MIN, LONG_MAX, &value))
        return kRecordingLineMalformed;
    line->frame = (int)frame;
    line->value = value;
    snprintf(line->event, sizeof(line->event), "%s", secondSpace + 1);
    return kRecordingLineOk;
}

static void private_forgetHeld(void) { heldEventCount = 0; }

static void private_noteHeld(const char *eventName, long value) {
    int i = 0;
    while (i < heldEventCount && heldEvents[i] != eventName) i++;
    if (value != 0 && i == heldEventCount && heldEventCount < 64) heldEvents[heldEventCount++] = eventName;
    if (value == 0 && i < heldEventCount) heldEvents[i] = heldEvents[--heldEventCount];
}

void glInput_recordEvent(const char *eventName, long value) {
    if (!inputLogFile || !eventName) return;
    fprintf(inputLogFile, "%d %ld %s\n", updateCounter, value, eventName);
    fflush(inputLogFile);  // a recording is a bug report: keep it even if the run dies
    private_noteHeld(eventName, value);
}

void glInput_endInputRecording(void) {
    if (inputLogFile) {
        for (int i = 0; i < heldEventCount; i++) fprintf(inputLogFile, "%d 0 %s\n", updateCounter, heldEvents[i].c_str());
        fclose(inputLogFile);
        inputLogFile = nullptr;
    }
    private_forgetHeld();
    if (playbackLogFile) {
        glInput_resetAllEventValue();
        fclose(playbackLogFile);
        playbackLogFile = nullptr;
    }
}

void glInput_startInputRecording(const char *fileName) {
    glInput_endInputRecording();
    updateCounter = 0;
    if (!fileName) return;
    inputLogFile = fopen(fileName, "w");
    if (!inputLogFile) fprintf(stderr, "Error: Unable to open \"%s\" to record input: %s\n", fileName, strerror(errno));
}

void glInput_playInputRecording(const char *fileName) {
    glInput_endInputRecording();
    updateCounter = 0;
    currentPlayback_time = -1;
    if (!fileName) return;
    playbackLogFile = fopen(fileName, "r");
    playbackName = fileName;
    playbackLineNumber = 0;
    if (!playbackLogFile) fprintf(stderr, "Error: Unable to open \"%s\" to play input back: %s\n", fileName, strerror(errno));
}

void glInput_updateInputRecording(void) {
    if (updateCounter < INT_MAX) updateCounter++;
}

int glInput_isRecording(void) { return inputLogFile != nullptr; }
int glInput_isPlayingBack(void) { return playbackLogFile != nullptr; }

// Reads lines until one is usable; 0 at the end of the file.
static int private_nextLine(inputRecordingLine *line) {
    for (;;) {
        int status = glInput_readRecordingLine(playbackLogFile, line);
        if (status == kRecordingLineEnd) return 0;
        playbackLineNumber++;
        if (status == kRecordingLineOk) return 1;
        fprintf(stderr, "Input recording \"%s\" line %d: %s; skipped\n", playbackName.c_str(), playbackLineNumber,
                status == kRecordingLineTooLong ? "longer than 127 characters" : "not \"frame value event\"");
    }
}

int glInput_playbackStep(void (*eventHandler)(char *name, long value)) {
    while (playbackLogFile && currentPlayback_time <= updateCounter) {
        if (currentPlayback_time >= 0) {
            glInput_setEventValue(currentPlayback_event, currentPlayback_value);
            char event[kInputTextLength];
            memcpy(event, currentPlayback_event, sizeof(event));
            if (eventHandler) eventHandler(event, currentPlayback_value);
            // The handler's scripts may have ended or replaced the playback.
            if (!playbackLogFile) return 0;
        }
        inputRecordingLine line;
        if (!private_nextLine(&line)) {
            glInput_endInputRecording();
            return 1;
        }
        if (line.frame < currentPlayback_time)
            fprintf(stderr, "Input recording \"%s\" line %d: step %d comes after step %d; delivered at once\n",
                    playbackName.c_str(), playbackLineNumber, line.frame, currentPlayback_time);
        currentPlayback_time = line.frame;
        currentPlayback_value = line.value;
        memcpy(currentPlayback_event, line.event, sizeof(currentPlayback_event));
    }
    return 0;
}
