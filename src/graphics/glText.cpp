// glText: not built yet; the debug font's display lists come with alphabets.
// Only the fixed width of the system font is in place.

#include "graphics/glText.h"

#include <cstring>

void BuildFont(void) {}
void KillFont(void) {}

// The system font is monospaced, 6 pixels per character.
int drawStringLength(const char *string) {
    if (!string) return 0;
    size_t length = strlen(string);
    // A line too long to measure in an int is as wide as an int can say.
    return length > (size_t)(0x7FFFFFFF / 6) ? 0x7FFFFFFF : (int)length * 6;
}
