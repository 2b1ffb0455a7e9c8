// glText: bitmap alphabets and the debug font.
// Not built yet: the window environment calls BuildFont when a context is made,
// and it does nothing until alphabets and the debug font land.
#pragma once

void BuildFont(void);
void KillFont(void);
