// rope_animation: chains of up to 128 copies of one image (the pieces), each
// with its own position, colour and scale, placed and moved piece by piece by
// scripts (the segments of an arm, a vine, a bridge). A moving piece that
// passes within 16 units of the slash sprite's collision point tells that
// sprite to end its slash ("kill_slash"). In editor mode pieces can be picked
// and dragged with the mouse (dragging a piece carries every earlier piece
// with it) and Control+O writes the rope's shape as script source. Each rope is
// an object of the sprite manager's object manager in layer 7, with an event
// function. Main thread only.
#pragma once

#include <cstdint>
#include <cstdio>

struct _treeNode;

enum { kRopeMaxPieces = 128, kRopeLayer = 7 };

struct ropePiece {
    float location[3];        // world position of the piece's centre
    float delta_location[3];  // movement per update step while moving
    float duration_location;  // update steps of movement left
    float color[4];           // starts white
    float scale[3];           // starts (1, 1, 1)
};

struct ropeInfo {
    int32_t textureRef;       // origin centred
    int32_t numPieces;        // 1 to 128
    ropePiece pieces[kRopeMaxPieces];
    ropeInfo *nextLive;       // the list of live ropes that script references are checked against
};

// A rope of `numPieces` pieces (cut to 1..128, saying so in the log), or null.
ropeInfo *addRope(_treeNode *list, const char *texture, int numPieces);
void displayRope(void *rope);
int updateRope(void *rope, uint32_t frame);
void destructRope(void *rope);
int eventRope(void *rope, uint8_t eventType, uint8_t key, int x, int y, void *ref);
// Before each update pass: no piece is under the mouse.
void preupdateRopeAnimation(void);

// 1 when `rope` is a rope alive now (a script may hold a reference to one
// that a level load destroyed).
int isLiveRope(const ropeInfo *rope);
// The piece under the mouse in editor mode, and the piece being dragged, or null.
const ropePiece *selectedRopePiece(void);
const ropePiece *draggedRopePiece(void);
// Writes the rope's shape as two Lua tables of offsets from its last piece.
void writeRopeDump(const ropeInfo *rope, FILE *file);

// Registers addRope, setRopeLocation, setRopeChangeLocation and setRopeScale.
void linkRopeFunctions(void);
