// glInput: not built yet. With no bindings there are no events to fire.

#include "input/glInput.h"

void glInput_initInputManager(void) {}
void glInput_destructInputManager(void) {}
void glInput_postKeyDownEvent(unsigned char key) { (void)key; }
void glInput_postKeyUpEvent(unsigned char key) { (void)key; }

int glInput_pollEvents(char *element, int type, void (*eventHandler)(char *name, long value)) {
    (void)type, (void)eventHandler;
    if (element) element[0] = 0;
    return 0;
}

void glInput_updateInputRecording(void) {}

// Does nothing until the input manager is built.
void glInput_beginGetAnyEvent(void) {}
// Does nothing until the input manager is built.
void glInput_endGetAnyEvent(void) {}
// Does nothing until the input manager is built: no event has a value.
long glInput_getEventValue(const char *eventName) { return (void)eventName, 0; }
// Does nothing until the input manager is built.
void glInput_setEventValue(const char *eventName, long value) { (void)eventName, (void)value; }
// Does nothing until the input manager is built: no event has a control.
void glInput_getControlForEvent(const char *eventName, char *out) { (void)eventName, (void)out; }
// Does nothing until the input manager is built: no event has a control.
void glInput_getElementForEvent(const char *eventName, char *out) { (void)eventName, (void)out; }
// Does nothing until the input manager is built.
void glInput_setEventModification(const char *eventName, int spriteRef) { (void)eventName, (void)spriteRef; }
// Does nothing until the input manager is built.
void glInput_addControlBinding(const char *eventRef, const char *eventName, int type) {
    (void)eventRef, (void)eventName, (void)type;
}
// Does nothing until the input manager is built.
void glInput_startInputRecording(const char *fileName) { (void)fileName; }
// Does nothing until the input manager is built.
void glInput_playInputRecording(const char *fileName) { (void)fileName; }
// Does nothing until the input manager is built.
void glInput_endInputRecording(void) {}
