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
