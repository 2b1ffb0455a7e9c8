// glEnvironment (events): SDL events become window-system message records and
// then the engine's event codes; keys go through the virtual-key table.

#include <cstring>

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
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return kEnvEventNone;
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
