// glLuaEnvironmentGlue: not built yet; there is no overlay and no script cursor to draw.

#include "script/glLuaEnvironmentGlue.h"

void renderDebuggingInformation(void) {}
void renderCursor(void) {}
