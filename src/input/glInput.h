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
