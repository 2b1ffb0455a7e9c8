// Effects: screen transitions, speech bubbles, particles, ropes, game and demo
// timers. Each is an object-manager object with its own draw, update and
// destroy functions and script API; start-up registers the script functions
// through the link functions declared in these headers, and the update step
// pre-updates ropes.
#pragma once

#include "effects/demo_timer.h"
#include "effects/game_timer.h"
#include "effects/glLuaScreenTransition.h"
#include "effects/particle_animation.h"
#include "effects/rope_animation.h"
#include "effects/speech_bubble.h"
