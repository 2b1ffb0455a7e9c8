// glLuaEnvironmentGlue: the environment script API, the debug overlay and the
// script-chosen cursor. Not built yet: the display callback draws nothing extra.
#pragma once

void renderDebuggingInformation(void);
void renderCursor(void);
