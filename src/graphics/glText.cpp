// glText: not built yet; the debug font's display lists come with alphabets.

#include "graphics/glText.h"

void BuildFont(void) {}
void KillFont(void) {}
