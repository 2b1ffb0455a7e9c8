// glInput: the input manager (key presses to element strings, bindings of elements
// to named events) and input recording. Not built yet: the application already
// calls these at the right moments and they do nothing.
#pragma once

void glInput_initInputManager(void);
void glInput_destructInputManager(void);
void glInput_postKeyDownEvent(unsigned char key);
void glInput_postKeyUpEvent(unsigned char key);
// Fires bound events through eventHandler; returns non-zero while more may follow.
int glInput_pollEvents(char *element, int type, void (*eventHandler)(char *name, long value));
void glInput_updateInputRecording(void);

// Script-facing operations (the inputManager_ script functions call these).
// Each does nothing until the input manager is built.
// Key queuing on / off.
void glInput_beginGetAnyEvent(void);
void glInput_endGetAnyEvent(void);
// Value of the event's first binding, or 0.
long glInput_getEventValue(const char *eventName);
void glInput_setEventValue(const char *eventName, long value);
// The bound key name / the full element string; `out` is left untouched when
// the event has no binding.
void glInput_getControlForEvent(const char *eventName, char *out);
void glInput_getElementForEvent(const char *eventName, char *out);
// Starts (or, with an empty name, ends) rebinding the next unbound key to the event.
void glInput_setEventModification(const char *eventName, int spriteRef);
void glInput_addControlBinding(const char *eventRef, const char *eventName, int type);
// Recording and playback of bound events.
void glInput_startInputRecording(const char *fileName);
void glInput_playInputRecording(const char *fileName);
void glInput_endInputRecording(void);
