// glInput: the input manager. Key presses and gamepad buttons become element
// strings ("Q Key:0xFFFFFFFF:113:1:1": name, device, code, value, count);
// bindings tie the control part of an element string ("Q Key:0xFFFFFFFF:113")
// to an event name chosen by the game's scripts. Once per update step the poll
// turns the queued elements into event values and hands each bound event to an
// event handler (the application posts it to the sprites' event group of that
// name). A rebinding mode binds the next unbound control to a waiting event.
// Bound events can be recorded to a text file with their update-step numbers
// and played back later (glInputRecording.cpp).
//
// Every event name has one value slot that lives as long as the manager: the
// addresses handed out by glInput_getEventValueReference stay valid while
// bindings come and go (a slot reads 0 while its event has no binding).
// Element strings, event names and recording lines are at most 127 characters;
// longer ones are refused with a log line.
// Main thread only.
#pragma once

#include <cstdio>

enum {
    kInputTextLength = 128,  // element strings, event names, recording lines (with the terminator)
    // Gamepad element codes: buttons are kInputPadButtonBase + the SDL game
    // controller button number; triggers and stick directions follow.
    kInputPadButtonBase = 256,
    kInputPadAxisBase = 320,
    kInputPadElements = 10,   // left/right trigger, 4 left stick directions, 4 right stick directions
    kInputPadDevice = 0,      // the device word of every pad element
    kInputKeyDevice = -1,     // 0xFFFFFFFF: the device word of every key element
};

void glInput_initInputManager(void);
void glInput_destructInputManager(void);

// ---- Element strings ----

// The name of a key value (its low byte, upper-cased first): "Q Key", "0 KEY",
// "Spacebar", "Left Arrow", "Key Value 200", ... Always returns 1.
int glInput_getStringForKeyboardValue(int value, char *string);
// The name of a gamepad element code ("Pad A", "Pad Left Stick Up", ...); 0 and
// an empty name for a code that is no pad element.
int glInput_getStringForPadElement(int code, char *string);
// Field n (0-based) of an element string in a static buffer, valid until the
// next call; an empty text when there are fewer fields.
char *glInputElement_getString(const char *element, int n);
// Field n as a number ("0x" fields in hexadecimal); 0 for a missing or
// non-numeric field.
long glInputElement_getLong(const char *element, int n);
// 1 when the text is a well-formed element string of five fields: a non-empty
// name, "0x" and eight hex digits, and three decimal numbers.
int glInputElement_isValid(const char *element);

// ---- Bindings and values ----

// Binds the control of the element string to the event (type is kept, never
// read). A malformed element or an over-long name is refused with a log line.
void glInput_addControlBinding(const char *eventRef, const char *eventName, int type);
// Removes the first binding of the event.
void glInput_removeControlBinding(const char *eventName);
void glInput_removeAllControlBindings(void);
// The event bound to the element's control, or null. The text belongs to the
// manager and may go with the next binding change: copy it to keep it.
const char *glInput_getEventForControl(const char *element);
// Field 3 of the element string (its value).
long glInput_getValueForControl(const char *element);
// The bound control's name ("Q Key") / its full element string with ":1:1";
// `out` (kInputTextLength bytes or more) is left untouched without a binding.
void glInput_getControlForEvent(const char *eventName, char *out);
void glInput_getElementForEvent(const char *eventName, char *out);
// Value of the event, 0 when it has no binding.
long glInput_getEventValue(const char *eventName);
// The event's value slot, or null when the event has no binding now. Once
// handed out a slot stays valid until the manager is destroyed.
long *glInput_getEventValueReference(const char *eventName);
// Sets the value of a bound event; nothing for an unbound one.
void glInput_setEventValue(const char *eventName, long value);
void glInput_resetAllEventValue(void);
// Starts rebinding the next unbound control to the event (the sprite is told
// with "resetControlValue"); an empty name ends the mode.
void glInput_setEventModification(const char *eventName, int spriteRef);

// ---- Queue and poll ----

// Key queuing on / off (off at start).
void glInput_beginGetAnyEvent(void);
void glInput_endGetAnyEvent(void);
// A key went down / up: its element string is queued while queuing is on.
void glInput_postKeyDownEvent(unsigned char key);
void glInput_postKeyUpEvent(unsigned char key);
// A gamepad element went down (1) or up (0): queued like a key.
void glInput_postPadEvent(int code, int down);
// The per-step poll: playback, then every queued element in order. Bound
// events get their value and go to eventHandler (and to the recording).
// Always returns 0; `element` receives an empty string.
int glInput_pollEvents(char *element, int type, void (*eventHandler)(char *name, long value));

// ---- Recording and playback (glInputRecording.cpp) ----

// Each ends any recording or playback first. A file that cannot be opened
// leaves both off (with a log line); the step counter is reset either way.
void glInput_startInputRecording(const char *fileName);
void glInput_playInputRecording(const char *fileName);
// Ends both. A recording gets a release line for every event still held, so
// that playing it back lets go of them where the recording stopped; a
// playback sets every event value back to 0.
void glInput_endInputRecording(void);
// Once at the end of every update step.
void glInput_updateInputRecording(void);
int glInput_isRecording(void);
int glInput_isPlayingBack(void);

// One line of a recording: "frame value event". Used by the playback and by
// the fuzz target.
struct inputRecordingLine {
    int frame;
    long value;
    char event[kInputTextLength];
};
enum { kRecordingLineOk = 0, kRecordingLineEnd = 1, kRecordingLineTooLong = 2, kRecordingLineMalformed = 3 };
// Reads the next line (ended by LF, CR, CR LF or the end of the file; a last
// line without an ending counts) into `line`. A line longer than 127
// characters is consumed whole and reported as too long; one that is not
// "frame value event" with two decimal numbers and a non-empty name as
// malformed. Returns one of the kRecordingLine values.
int glInput_readRecordingLine(FILE *file, inputRecordingLine *line);

// Internal to the input manager: called by the poll.
int glInput_playbackStep(void (*eventHandler)(char *name, long value));
void glInput_recordEvent(const char *eventName, long value);
