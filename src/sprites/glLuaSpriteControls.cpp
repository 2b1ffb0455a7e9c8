// glLuaSpriteControls: the per-update rule of a control-bound acceleration.
// While its first event's value is non-zero a binding gains its acceleration,
// while its second event's is non-zero it loses it, each within its limit;
// nothing slows it when the events are released. The motion step then moves
// the sprite by the binding's speed. Binding, removing and the script
// functions come with the input bindings; this file only steps a binding.

#include "sprites/glLuaSprite.h"

// A positive limit bounds the speed from above, zero or below from below.
static void private_limit(float *velocity, const float *limit, float sign) {
    for (int i = 0; i < 3; i++) {
        float m = sign * limit[i];
        if (m > 0) {
            if (velocity[i] > m) velocity[i] = m;
        } else if (velocity[i] < m) {
            velocity[i] = m;
        }
    }
}

void stepAccelerationBinding(accelerationBinding *binding) {
    if (!binding) return;
    if (binding->controlValueA && *binding->controlValueA) {
        for (int i = 0; i < 3; i++) binding->velocity[i] += binding->acceleration[i];
        private_limit(binding->velocity, binding->max_velocity, 1.0f);
    }
    if (binding->controlValueB && *binding->controlValueB) {
        for (int i = 0; i < 3; i++) binding->velocity[i] -= binding->acceleration[i];
        private_limit(binding->velocity, binding->max_velocity, -1.0f);
    }
}
