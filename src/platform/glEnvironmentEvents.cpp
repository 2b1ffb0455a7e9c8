// glEnvironment (events): SDL events become window-system message records and
// then the engine's event codes; keys go through the virtual-key table.

#include <cstring>
#include <deque>
#include <vector>

#include "audio/glSound.h"
#include "platform/glEnvironmentInternal.h"

// virtual key -> character without Shift / with Shift
struct keyRow {
    unsigned char virtualKey;
    unsigned char plain;
    unsigned char shifted;
};

static const keyRow kKeyTable[] = {
    {8, 8, 8}, {9, 9, 9}, {12, 12, 12}, {13, 13, 13}, {27, 27, 27}, {32, 32, 32},
    {46, 5, 5}, {33, 33, 33}, {34, 34, 34}, {35, 35, 35}, {36, 36, 36}, {37, 37, 37},
    {38, 38, 38}, {39, 6, 6}, {40, 40, 40}, {47, 47, 47},
    {'0', '0', ')'}, {'1', '1', '!'}, {'2', '2', '@'}, {'3', '3', '#'}, {'4', '4', '$'},
    {'5', '5', '%'}, {'6', '6', '^'}, {'7', '7', '&'}, {'8', '8', '*'}, {'9', '9', '('},
    {'A', 'a', 'A'}, {'B', 'b', 'B'}, {'C', 'c', 'C'}, {'D', 'd', 'D'}, {'E', 'e', 'E'},
    {'F', 'f', 'F'}, {'G', 'g', 'G'}, {'H', 'h', 'H'}, {'I', 'i', 'I'}, {'J', 'j', 'J'},
    {'K', 'k', 'K'}, {'L', 'l', 'L'}, {'M', 'm', 'M'}, {'N', 'n', 'N'}, {'O', 'o', 'O'},
    {'P', 'p', 'P'}, {'Q', 'q', 'Q'}, {'R', 'r', 'R'}, {'S', 's', 'S'}, {'T', 't', 'T'},
    {'U', 'u', 'U'}, {'V', 'v', 'V'}, {'W', 'w', 'W'}, {'X', 'x', 'X'}, {'Y', 'y', 'Y'},
    {'Z', 'z', 'Z'},
    {96, '0', '0'}, {97, '1', '1'}, {98, '2', '2'}, {99, '3', '3'}, {100, '4', '4'},
    {101, '5', '5'}, {102, '6', '6'}, {103, '7', '7'}, {104, '8', '8'}, {105, '9', '9'},
    {106, '*', '*'}, {107, '+', '+'}, {108, '\\', '|'}, {109, '-', '-'}, {110, '.', '.'},
    {111, '/', '/'},
    {188, ',', '<'}, {190, '.', '>'}, {191, '/', '?'}, {222, '\'', '"'}, {186, ';', ':'},
    {219, '[', '{'}, {221, ']', '}'}, {220, '\\', '|'}, {192, '`', '~'}, {189, '-', '_'},
    {187, '=', '+'},
};
static_assert(sizeof(kKeyTable) / sizeof(kKeyTable[0]) == 79, "the key table has 79 rows");

int windowsCodeToChar(int virtualKey, int modifiers) {
    int code = virtualKey & 0xFF;
    for (const keyRow &row : kKeyTable)
        if (row.virtualKey == code) return (modifiers & kEnvModShift) ? row.shifted : row.plain;
    return code;
}

// SDL scancodes to virtual-key codes. With Num Lock off the numeric pad gives the
// navigation keys, as a desktop keyboard does.
static int private_virtualKey(SDL_Scancode scancode, Uint16 mod) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return 112 + (scancode - SDL_SCANCODE_F1);
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) return 124 + (scancode - SDL_SCANCODE_F13);
    const bool numLock = (mod & KMOD_NUM) != 0;
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
        static const int navigation[9] = {35, 40, 34, 37, 12, 39, 36, 38, 33};
        int digit = scancode - SDL_SCANCODE_KP_1;
        return numLock ? 97 + digit : navigation[digit];
    }
    switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_KP_0: return numLock ? 96 : 45;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? 110 : 46;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: case SDL_SCANCODE_RETURN2: return 13;
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    case SDL_SCANCODE_SPACE: return 32;
    case SDL_SCANCODE_CLEAR: return 12;
    case SDL_SCANCODE_PAUSE: return 19;
    case SDL_SCANCODE_CAPSLOCK: return 20;
    case SDL_SCANCODE_PAGEUP: return 33;
    case SDL_SCANCODE_PAGEDOWN: return 34;
    case SDL_SCANCODE_END: return 35;
    case SDL_SCANCODE_HOME: return 36;
    case SDL_SCANCODE_LEFT: return 37;
    case SDL_SCANCODE_UP: return 38;
    case SDL_SCANCODE_RIGHT: return 39;
    case SDL_SCANCODE_DOWN: return 40;
    case SDL_SCANCODE_PRINTSCREEN: return 44;
    case SDL_SCANCODE_INSERT: return 45;
    case SDL_SCANCODE_DELETE: return 46;
    case SDL_SCANCODE_HELP: return 47;
    case SDL_SCANCODE_LGUI: return 91;
    case SDL_SCANCODE_RGUI: return 92;
    case SDL_SCANCODE_APPLICATION: return 93;
    case SDL_SCANCODE_KP_MULTIPLY: return 106;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_COMMA: return 108;
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_KP_DIVIDE: return 111;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 144;
    case SDL_SCANCODE_SCROLLLOCK: return 145;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return 16;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return 17;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return 18;
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH: return 220;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    case SDL_SCANCODE_NONUSBACKSLASH: return 226;
    default: return 0;
    }
}

// ---- Gamepads ----

// Element codes, as the input manager names them: buttons from 256 (SDL's
// button numbers), then the triggers and the stick directions from 320.
enum { kPadButtonBase = 256, kPadAxisBase = 320 };
// An axis counts as pressed past half way and as released below a quarter, so
// a stick resting near the threshold does not chatter.
static const int kPadPressAt = 16384, kPadReleaseBelow = 8192;

struct padState {
    SDL_JoystickID id;
    SDL_GameController *controller;  // null for a pad whose events came without opening it
    uint32_t buttonsHeld;
    uint32_t axesHeld;               // bit n: element kPadAxisBase + n
};
static std::vector<padState> pads;
static std::deque<std::pair<int, int>> padTransitions;  // (element code, down), oldest first
static int gamepadsUp = 0;

static padState *private_pad(SDL_JoystickID id) {
    for (padState &pad : pads)
        if (pad.id == id) return &pad;
    pads.push_back(padState{id, nullptr, 0, 0});
    return &pads.back();
}

static void private_setAxisElement(padState *pad, int element, int pressed) {
    uint32_t bit = 1u << element;
    if (pressed == ((pad->axesHeld & bit) != 0)) return;
    pad->axesHeld ^= bit;
    padTransitions.emplace_back(kPadAxisBase + element, pressed);
}

// One axis event: the trigger, or the stick direction on each side of the centre.
static void private_padAxis(const SDL_ControllerAxisEvent &event) {
    padState *pad = private_pad(event.which);
    int value = event.value;
    auto pressedNow = [&](int element, int amount) {
        bool held = (pad->axesHeld >> element) & 1u;
        return held ? amount >= kPadReleaseBelow : amount > kPadPressAt;
    };
    switch (event.axis) {
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT: private_setAxisElement(pad, 0, pressedNow(0, value)); break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT: private_setAxisElement(pad, 1, pressedNow(1, value)); break;
    case SDL_CONTROLLER_AXIS_LEFTX:
    case SDL_CONTROLLER_AXIS_LEFTY:
    case SDL_CONTROLLER_AXIS_RIGHTX:
    case SDL_CONTROLLER_AXIS_RIGHTY: {
        // Left/right or up/down (SDL's y grows downwards) of one stick.
        static const int firstElement[] = {2, 4, 6, 8};
        int negative = firstElement[event.axis - SDL_CONTROLLER_AXIS_LEFTX];
        // Releases first, so a stick flicked across the centre lets go before it presses.
        bool towardsNegative = pressedNow(negative, -value), towardsPositive = pressedNow(negative + 1, value);
        if (!towardsNegative) private_setAxisElement(pad, negative, 0);
        if (!towardsPositive) private_setAxisElement(pad, negative + 1, 0);
        if (towardsNegative) private_setAxisElement(pad, negative, 1);
        if (towardsPositive) private_setAxisElement(pad, negative + 1, 1);
        break;
    }
    default: break;
    }
}

static void private_padButton(const SDL_ControllerButtonEvent &event) {
    if (event.button >= 32) return;
    padState *pad = private_pad(event.which);
    uint32_t bit = 1u << event.button;
    int down = event.state == SDL_PRESSED;
    if (down == ((pad->buttonsHeld & bit) != 0)) return;
    pad->buttonsHeld ^= bit;
    padTransitions.emplace_back(kPadButtonBase + event.button, down);
}

static void private_padAdded(int deviceIndex) {
    if (!gamepadsUp) return;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (const padState &pad : pads)
        if (pad.id == id && pad.controller) return;  // already open
    SDL_GameController *controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) {
        fprintf(stderr, "Gamepad %d could not be opened: %s\n", deviceIndex, SDL_GetError());
        return;
    }
    private_pad(SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)))->controller = controller;
    const char *name = SDL_GameControllerName(controller);
    fprintf(stderr, "Gamepad connected: %s\n", name ? name : "(no name)");
}

// An unplugged pad lets go of everything it held.
static void private_padRemoved(SDL_JoystickID id) {
    for (size_t i = 0; i < pads.size(); i++) {
        if (pads[i].id != id) continue;
        for (int b = 0; b < 32; b++)
            if ((pads[i].buttonsHeld >> b) & 1u) padTransitions.emplace_back(kPadButtonBase + b, 0);
        for (int a = 0; a < 10; a++)
            if ((pads[i].axesHeld >> a) & 1u) padTransitions.emplace_back(kPadAxisBase + a, 0);
        if (pads[i].controller) {
            SDL_GameControllerClose(pads[i].controller);
            fprintf(stderr, "Gamepad disconnected\n");
        }
        pads.erase(pads.begin() + (long)i);
        return;
    }
}

void glEnvironment_openGamepads(void) {
    if (gamepadsUp) return;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        fprintf(stderr, "No gamepads: %s\n", SDL_GetError());
        return;
    }
    gamepadsUp = 1;
    // Pads already plugged in are announced as added devices by the event queue.
}

void glEnvironment_closeGamepads(void) {
    for (padState &pad : pads)
        if (pad.controller) SDL_GameControllerClose(pad.controller);
    pads.clear();
    padTransitions.clear();
    if (gamepadsUp) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    gamepadsUp = 0;
}

int glEnvironment_gamepadsOpen(void) {
    int count = 0;
    for (const padState &pad : pads) count += pad.controller != nullptr;
    return count;
}

int getPadElementFromEvent(envMessage message) { return (int)message.wParam; }

// Controller events change the pad state; what they press or release is
// queued and handed out one event at a time.
static bool private_padEvent(const SDL_Event &event) {
    switch (event.type) {
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: private_padButton(event.cbutton); return true;
    case SDL_CONTROLLERAXISMOTION: private_padAxis(event.caxis); return true;
    case SDL_CONTROLLERDEVICEADDED: private_padAdded(event.cdevice.which); return true;
    case SDL_CONTROLLERDEVICEREMOVED: private_padRemoved(event.cdevice.which); return true;
    // The joystick layer's own events say again what the controller events say.
    case SDL_JOYAXISMOTION:
    case SDL_JOYBALLMOTION:
    case SDL_JOYHATMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
    case SDL_JOYBATTERYUPDATED:
    case SDL_CONTROLLERDEVICEREMAPPED:
    case SDL_CONTROLLERTOUCHPADDOWN:
    case SDL_CONTROLLERTOUCHPADMOTION:
    case SDL_CONTROLLERTOUCHPADUP:
    case SDL_CONTROLLERSENSORUPDATE: return true;
    default: return false;
    }
}

static int private_nextPadTransition(envMessage *message) {
    if (padTransitions.empty()) return kEnvEventNone;
    std::pair<int, int> transition = padTransitions.front();
    padTransitions.pop_front();
    memset(message, 0, sizeof(*message));
    message->message = transition.second ? kEnvMsgPadDown : kEnvMsgPadUp;
    message->wParam = (uint64_t)transition.first;
    return transition.second ? kEnvEventPadDown : kEnvEventPadUp;
}

static int private_modifierBits(Uint16 mod) {
    int bits = 0;
    if (mod & KMOD_SHIFT) bits |= kEnvModShift;
    if (mod & KMOD_ALT) bits |= kEnvModAlt;
    if (mod & KMOD_CTRL) bits |= kEnvModControl;
    return bits;
}

// Turns one SDL event into a message record. Key events carry the modifier state
// of their own moment; other events read the live state.
static void private_translate(const SDL_Event &event, envMessage *message) {
    memset(message, 0, sizeof(*message));
    message->message = kEnvMsgOther;
    message->time = event.common.timestamp;
    int gx = 0, gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    message->ptX = gx;
    message->ptY = gy;
    env.modifiersPressed = private_modifierBits(SDL_GetModState());

    switch (event.type) {
    case SDL_QUIT:
        message->message = kEnvMsgQuit;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        Uint16 mod = event.key.keysym.mod;
        env.modifiersPressed = private_modifierBits(mod);
        int virtualKey = private_virtualKey(event.key.keysym.scancode, mod);
        if (virtualKey == 0) break;  // a key with no virtual-key code is not delivered
        bool alt = (mod & KMOD_ALT) != 0;
        if (event.type == SDL_KEYDOWN)
            message->message = alt ? kEnvMsgSysKeyDown : kEnvMsgKeyDown;
        else
            message->message = alt ? kEnvMsgSysKeyUp : kEnvMsgKeyUp;
        message->wParam = (uint64_t)virtualKey;
        if (event.type == SDL_KEYDOWN && event.key.repeat) message->lParam |= (int64_t)1 << 30;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (event.button.button == SDL_BUTTON_LEFT)
            message->message = down ? kEnvMsgLButtonDown : kEnvMsgLButtonUp;
        else if (event.button.button == SDL_BUTTON_RIGHT)
            message->message = down ? kEnvMsgRButtonDown : kEnvMsgRButtonUp;
        int x = event.button.x < 0 ? 0 : event.button.x & 0xFFFF;
        int y = event.button.y < 0 ? 0 : event.button.y & 0xFFFF;
        message->lParam = (int64_t)(x | (y << 16));
        break;
    }
    case SDL_MOUSEMOTION:
        message->message = kEnvMsgMouseMove;
        message->lParam = (int64_t)((event.motion.x & 0xFFFF) | ((event.motion.y & 0xFFFF) << 16));
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            message->message = kEnvMsgClose;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            message->message = kEnvMsgPaint;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            message->message = kEnvMsgActivate;
            message->wParam = (uint64_t)1 << 16;  // the minimised flag
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            message->message = kEnvMsgActivate;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

// The window procedure: messages that are not turned into event codes.
static void private_dispatch(const envMessage &message) {
    switch (message.message) {
    case kEnvMsgActivate:
        if ((message.wParam >> 16) & 0xFFFF) {
            env.applicationInForeground = 0;
            squelchAllSounds();
        } else {
            env.applicationInForeground = 1;
            unsquelchAllSounds();
        }
        break;
    case kEnvMsgPaint:
        if (env.displayFunc) env.displayFunc();
        break;
    default:
        break;
    }
}

int getNextEvent(envMessage *message) {
    if (env.quitFlag) return kEnvEventQuit;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return kEnvEventNone;
    if (!padTransitions.empty()) return private_nextPadTransition(message);
    SDL_Event event;
    // Pad events that press or release nothing (a stick moving within its dead
    // zone, many times a second) are skipped rather than ending the drain.
    for (;;) {
        if (!SDL_PollEvent(&event)) return kEnvEventNone;
        if (!private_padEvent(event)) break;
        if (!padTransitions.empty()) return private_nextPadTransition(message);
    }
    private_translate(event, message);

    switch (message->message) {
    case kEnvMsgQuit:
    case kEnvMsgClose:  // the close button posts the quit message
        return kEnvEventQuit;
    case kEnvMsgKeyUp:
    case kEnvMsgSysKeyUp:
        return kEnvEventKeyUp;
    case kEnvMsgLButtonDown:
        return kEnvEventMouseDown;
    case kEnvMsgLButtonUp:
        return kEnvEventMouseUp;
    case kEnvMsgRButtonDown:
        env.modifiersPressed |= kEnvModControl;
        return kEnvEventMouseDown;
    case kEnvMsgRButtonUp:
        env.modifiersPressed |= kEnvModControl;
        return kEnvEventMouseUp;
    case kEnvMsgKeyDown:
    case kEnvMsgSysKeyDown: {
        int key = getKeyFromEvent(*message);
        if (env.modifiersPressed & kEnvModControl) {
            if (key == 'q' || key == 'Q') return kEnvEventQuit;
            if (key == 'h' || key == 'H') {
                hideScreen();
                env.applicationInForeground = 0;
                squelchAllSounds();
            }
        }
        if (message->lParam & ((int64_t)1 << 30)) return kEnvEventNone;  // auto-repeat
        return kEnvEventKeyDown;
    }
    default:
        private_dispatch(*message);
        return kEnvEventNone;
    }
}

int getKeyFromEvent(envMessage message) {
    return windowsCodeToChar((int)(message.wParam & 0xFF), env.modifiersPressed);
}

void getMouseFromEvent(envMessage message, int *x, int *y) {
    uint16_t mx = (uint16_t)(message.lParam & 0xFFFF);
    uint16_t my = (uint16_t)((message.lParam >> 16) & 0xFFFF);
    private_windowToView(mx, my, x, y);
}

int getModifiersForLastEvent(void) { return env.modifiersPressed; }
