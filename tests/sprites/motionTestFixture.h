// In-process fixture of the animation, motion and path tests: the real script
// host with an offscreen GL context, a level document written per test, Lua
// chunks run as a script would run them, and update steps run one at a time
// exactly as the application's update callback runs them.
#pragma once

#include <string>

#include "core/glObjectManager.h"
#include "sprites/scriptedLevelTest.h"

class SpriteMotion : public ScriptedLevelTest {
  protected:
    double number(const std::string &expression) { return std::stod(call("return " + expression)); }
    // One update step of the sprites: the manager's pre-update, every object's
    // update (the motion step), the manager's own step.
    void step(int count = 1) {
        for (int i = 0; i < count; i++) {
            preupdateLuaSpriteManager();
            updateObjectManager(glLua_getObjectManager());
            updateLuaSpriteManager();
        }
    }
};
