// glText: bitmap alphabets and the debug font.
// Not built yet: the window environment calls BuildFont when a context is made,
// and it does nothing until alphabets and the debug font land. The width of
// system-font text is known already (the console wraps its lines with it).
#pragma once

void BuildFont(void);
void KillFont(void);

// Pixel width of a line in the system font: 6 pixels per byte (0 for null).
int drawStringLength(const char *string);
