// speech_bubble: framed boxes of text above a sprite (following it) or at a
// fixed world position. A bubble pops in with a damped wobble, lasts three
// seconds plus a twentieth of a second per character, fades out during its
// last second and removes itself; one that follows a sprite also goes when the
// sprite is gone. Bubbles are objects of the sprite manager's object manager
// in a layer the script chooses. Main thread only.
#pragma once

#include <cstdint>

struct _treeNode;

struct speechBubbleInfo {
    int32_t spriteReference;  // sprite followed, or -1 for a fixed position
    int32_t textureRef;       // the frame image
    int32_t alphabetRef;
    float anim;               // wobble amplitude: 1, then x 0.992 each step
    float pianim;             // wobble phase in radians: +0.02 each step
    _treeNode *textLines;     // the lines of the text, each a copy of a string
    float duration;           // update steps left
    float sx, sy, sz;         // anchor in world coordinates
};

// The frame drawn around every bubble (a square one-tile image, 32 x 32 corners).
extern const char *const kSpeechBubbleFrame;

// A bubble for a sprite: following it, or (stationary) anchored where it is
// now. Nothing is made for a reference that names no sprite. Returns the
// bubble, or null.
speechBubbleInfo *addSpeechBubble(_treeNode *list, int spriteRef, int stationary, int layer, const char *text,
                                  int alphabetRef);
// A bubble at a fixed world position.
speechBubbleInfo *addSpeechBubble(_treeNode *list, float x, float y, float z, int layer, const char *text,
                                  int alphabetRef);
void displaySpeechBubble(void *bubble);
int updateSpeechBubble(void *bubble, uint32_t frame);
void destructSpeechBubble(void *bubble);

// Registers addSpeechBubble and addSpeechBubbleAtLocation with the script host.
void linkSpeechBubbleFunctions(void);
