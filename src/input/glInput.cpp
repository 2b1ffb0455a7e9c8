// glInput: element strings, key and pad names, control bindings with their
// event value slots, the key queue, the per-step poll and the rebinding mode.
// Recording and playback live in glInputRecording.cpp. Knows nothing of the
// platform: the application posts keys and pad elements, and passes the
// handler that delivers events to the sprites.

#include "input/glInput.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sprites/glLuaSpriteEventManager.h"

namespace {

// One value per event name, for the whole life of the manager, so that
// references kept by acceleration bindings never dangle.
struct eventSlot {
    std::string name;
    long value = 0;
};

struct controlBinding {
    std::string eventName;
    std::string controlRef;  // the element string without its value and count
    int type = 1;
    long lastValue = 0;      // value field of the element it was made from
    eventSlot *slot = nullptr;
};

}  // namespace

static int glInputInited = 0;
static std::vector<controlBinding> controlBindingList;
static std::vector<std::unique_ptr<eventSlot>> eventSlots;
static std::vector<std::string> postedEventList;
static int receivingInputEvents = 0;
static std::string setControlValue;  // the event waiting to be rebound; empty: no rebinding
static int setControlSpriteRef = -1;

// ---- Element strings ----

int glInput_getStringForKeyboardValue(int value, char *string) {
    int c = toupper(value & 0xFF);
    if (c >= 'A' && c <= 'Z') {
        snprintf(string, kInputTextLength, "%c Key", c);
    } else if ((c >= '0' && c <= '9') || (c && strchr(",./';\\][=-`", c))) {
        snprintf(string, kInputTextLength, "%c KEY", c);
    } else {
        switch (c) {
        case 32: strcpy(string, "Spacebar"); break;
        case 37: strcpy(string, "Left Arrow"); break;
        case 38: strcpy(string, "Up Arrow"); break;
        case 40: strcpy(string, "Down Arrow"); break;
        case 6: strcpy(string, "Right Arrow"); break;
        case 8: strcpy(string, "BACKSPACE"); break;
        case 9: strcpy(string, "TAB KEY"); break;
        case 13: strcpy(string, "ENTER KEY"); break;
        default: snprintf(string, kInputTextLength, "Key Value %d", c); break;
        }
    }
    return 1;
}

// Names of the game controller's buttons (SDL's numbering) and of the axis
// elements that follow them.
static const char *const kPadButtonNames[] = {
    "Pad A",         "Pad B",          "Pad X",           "Pad Y",          "Pad Back",
    "Pad Guide",     "Pad Start",      "Pad Left Stick",  "Pad Right Stick", "Pad Left Shoulder",
    "Pad Right Shoulder", "Pad Up",    "Pad Down",        "Pad Left",       "Pad Right",
    "Pad Misc",      "Pad Paddle 1",   "Pad Paddle 2",    "Pad Paddle 3",   "Pad Paddle 4",
    "Pad Touchpad",
};
static const char *const kPadAxisNames[kInputPadElements] = {
    "Pad Left Trigger",      "Pad Right Trigger",      "Pad Left Stick Left", "Pad Left Stick Right",
    "Pad Left Stick Up",     "Pad Left Stick Down",    "Pad Right Stick Left", "Pad Right Stick Right",
    "Pad Right Stick Up",    "Pad Right Stick Down",
};

int glInput_getStringForPadElement(int code, char *string) {
    const int buttons = (int)(sizeof(kPadButtonNames) / sizeof(kPadButtonNames[0]));
    const char *name = nullptr;
    if (code >= kInputPadButtonBase && code < kInputPadButtonBase + buttons) name = kPadButtonNames[code - kInputPadButtonBase];
    if (code >= kInputPadAxisBase && code < kInputPadAxisBase + kInputPadElements) name = kPadAxisNames[code - kInputPadAxisBase];
    snprintf(string, kInputTextLength, "%s", name ? name : "");
    return name != nullptr;
}

// Start and length of field n, or -1 when there are fewer fields.
static int private_field(const char *element, int n, size_t *length) {
    if (!element || n < 0) return -1;
    const char *start = element;
    for (int i = 0; i < n; i++) {
        start = strchr(start, ':');
        if (!start) return -1;
        start++;
    }
    const char *end = strchr(start, ':');
    *length = end ? (size_t)(end - start) : strlen(start);
    return (int)(start - element);
}

char *glInputElement_getString(const char *element, int n) {
    static char field[kInputTextLength];
    field[0] = 0;
    size_t length = 0;
    int start = private_field(element, n, &length);
    if (start < 0) return field;
    if (length >= sizeof(field)) length = sizeof(field) - 1;
    memcpy(field, element + start, length);
    field[length] = 0;
    return field;
}

// Parses a whole field as a number: "0x" and hex digits, or an optional minus
// and decimal digits. Returns 0 when it is neither.
static int private_parseNumber(const char *text, long *value) {
    errno = 0;
    char *end = nullptr;
    if (text[0] == '0' && text[1] == 'x') {
        if (!isxdigit((unsigned char)text[2])) return 0;
        *value = (long)strtoul(text + 2, &end, 16);
    } else {
        const char *digits = text[0] == '-' ? text + 1 : text;
        if (!isdigit((unsigned char)digits[0])) return 0;
        *value = strtol(text, &end, 10);
    }
    return errno == 0 && end && *end == 0;
}

long glInputElement_getLong(const char *element, int n) {
    long value = 0;
    if (!private_parseNumber(glInputElement_getString(element, n), &value)) return 0;
    return value;
}

int glInputElement_isValid(const char *element) {
    if (!element || strlen(element) >= kInputTextLength) return 0;
    size_t length = 0;
    if (private_field(element, 5, &length) >= 0) return 0;  // more than five fields
    if (private_field(element, 4, &length) < 0) return 0;
    if (glInputElement_getString(element, 0)[0] == 0) return 0;
    const char *device = glInputElement_getString(element, 1);
    if (strlen(device) != 10 || device[0] != '0' || device[1] != 'x') return 0;
    for (int i = 2; i < 10; i++)
        if (!isxdigit((unsigned char)device[i])) return 0;
    for (int n = 2; n <= 4; n++) {
        long value = 0;
        const char *field = glInputElement_getString(element, n);
        if (field[0] == '0' && field[1] == 'x') return 0;
        if (!private_parseNumber(field, &value)) return 0;
    }
    return 1;
}

// The control reference: everything before the second-to-last ':'.
static std::string private_controlRef(const char *element) {
    std::string text(element ? element : "");
    size_t last = text.rfind(':');
    if (last == std::string::npos || last == 0) return text;
    size_t second = text.rfind(':', last - 1);
    return second == std::string::npos ? text : text.substr(0, second);
}

// ---- Bindings and values ----

static controlBinding *private_bindingForEvent(const char *eventName) {
    if (!eventName) return nullptr;
    for (controlBinding &binding : controlBindingList)
        if (binding.eventName == eventName) return &binding;
    return nullptr;
}

static eventSlot *private_slot(const std::string &name) {
    for (auto &slot : eventSlots)
        if (slot->name == name) return slot.get();
    eventSlots.push_back(std::make_unique<eventSlot>());
    eventSlots.back()->name = name;
    return eventSlots.back().get();
}

void glInput_addControlBinding(const char *eventRef, const char *eventName, int type) {
    if (!glInputInited || !eventRef || !eventName) return;
    if (!glInputElement_isValid(eventRef)) {
        fprintf(stderr, "inputManager_addControlBinding: \"%.127s\" is not an element string (name:0xDEVICE:code:value:count)\n",
                eventRef);
        return;
    }
    size_t length = strlen(eventName);
    if (length == 0 || length >= kInputTextLength) {
        fprintf(stderr, "inputManager_addControlBinding: an event name of %zu characters is refused (1 to %d)\n", length,
                kInputTextLength - 1);
        return;
    }
    controlBinding binding;
    binding.eventName = eventName;
    binding.controlRef = private_controlRef(eventRef);
    binding.type = type;
    binding.lastValue = glInputElement_getLong(eventRef, 3);
    binding.slot = private_slot(binding.eventName);
    controlBindingList.push_back(binding);
}

void glInput_removeControlBinding(const char *eventName) {
    for (size_t i = 0; eventName && i < controlBindingList.size(); i++) {
        if (controlBindingList[i].eventName != eventName) continue;
        eventSlot *slot = controlBindingList[i].slot;
        controlBindingList.erase(controlBindingList.begin() + (long)i);
        // An event without a control can no longer be on.
        if (!private_bindingForEvent(eventName)) slot->value = 0;
        return;
    }
}

void glInput_removeAllControlBindings(void) {
    controlBindingList.clear();
    for (auto &slot : eventSlots) slot->value = 0;
}

const char *glInput_getEventForControl(const char *element) {
    if (!element) return nullptr;
    std::string control = private_controlRef(element);
    for (const controlBinding &binding : controlBindingList)
        if (binding.controlRef == control) return binding.eventName.c_str();
    return nullptr;
}

long glInput_getValueForControl(const char *element) { return glInputElement_getLong(element, 3); }

void glInput_getControlForEvent(const char *eventName, char *out) {
    const controlBinding *binding = private_bindingForEvent(eventName);
    if (!binding || !out) return;
    // The control reference ends in device and code: drop both.
    std::string name = private_controlRef((binding->controlRef + ":0:0").c_str());
    name = private_controlRef(name.c_str());
    snprintf(out, kInputTextLength, "%s", name.c_str());
}

void glInput_getElementForEvent(const char *eventName, char *out) {
    const controlBinding *binding = private_bindingForEvent(eventName);
    if (!binding || !out) return;
    snprintf(out, kInputTextLength, "%s:1:1", binding->controlRef.c_str());
}

long glInput_getEventValue(const char *eventName) {
    const controlBinding *binding = private_bindingForEvent(eventName);
    return binding ? binding->slot->value : 0;
}

long *glInput_getEventValueReference(const char *eventName) {
    controlBinding *binding = private_bindingForEvent(eventName);
    return binding ? &binding->slot->value : nullptr;
}

void glInput_setEventValue(const char *eventName, long value) {
    controlBinding *binding = private_bindingForEvent(eventName);
    if (binding) binding->slot->value = value;
}

void glInput_resetAllEventValue(void) {
    for (auto &slot : eventSlots) slot->value = 0;
}

void glInput_setEventModification(const char *eventName, int spriteRef) {
    if (!eventName) eventName = "";
    if (strlen(eventName) >= kInputTextLength) {
        fprintf(stderr, "inputManager_bindControlsToEvent: an event name of %zu characters is refused (at most %d)\n",
                strlen(eventName), kInputTextLength - 1);
        return;
    }
    setControlValue = eventName;
    setControlSpriteRef = spriteRef;
}

// ---- Queue and poll ----

void glInput_beginGetAnyEvent(void) {
    if (glInputInited) receivingInputEvents = 1;
}

void glInput_endGetAnyEvent(void) {
    if (glInputInited) receivingInputEvents = 0;
}

static void private_post(const char *name, long device, int code, int value) {
    if (!glInputInited || !receivingInputEvents) return;
    char element[kInputTextLength];
    snprintf(element, sizeof(element), "%s:0x%08lX:%d:%d:%d", name, (unsigned long)device & 0xFFFFFFFFul, code, value, 1);
    postedEventList.push_back(element);
}

void glInput_postKeyDownEvent(unsigned char key) {
    char name[kInputTextLength];
    glInput_getStringForKeyboardValue(key, name);
    private_post(name, kInputKeyDevice, key, 1);
}

void glInput_postKeyUpEvent(unsigned char key) {
    char name[kInputTextLength];
    glInput_getStringForKeyboardValue(key, name);
    private_post(name, kInputKeyDevice, key, 0);
}

void glInput_postPadEvent(int code, int down) {
    char name[kInputTextLength];
    if (!glInput_getStringForPadElement(code, name)) return;
    private_post(name, kInputPadDevice, code, down ? 1 : 0);
}

int glInput_pollEvents(char *element, int type, void (*eventHandler)(char *name, long value)) {
    (void)type;
    if (!glInputInited) return 0;
    if (glInput_playbackStep(eventHandler)) return 0;  // the recording ended in this poll
    if (element) element[0] = 0;
    // The handler runs scripts that may change bindings or post nothing new;
    // the queue is taken first so the walk never sees it change.
    std::vector<std::string> queue;
    queue.swap(postedEventList);
    for (const std::string &posted : queue) {
        const char *bound = glInput_getEventForControl(posted.c_str());
        long value = glInputElement_getLong(posted.c_str(), 3);
        char event[kInputTextLength];
        if (bound) {
            snprintf(event, sizeof(event), "%s", bound);  // the binding may go while the handler runs
            glInput_setEventValue(event, value);
            if (eventHandler) eventHandler(event, value);
            glInput_recordEvent(event, value);
        } else if (!setControlValue.empty()) {
            snprintf(event, sizeof(event), "%s", setControlValue.c_str());
            glInput_removeControlBinding(event);
            glInput_addControlBinding(posted.c_str(), event, 1);
            sendEventToSprite(setControlSpriteRef, "resetControlValue");
            glInput_setEventValue(event, value);
            if (eventHandler) eventHandler(event, value);
        }
    }
    return 0;
}

void glInput_initInputManager(void) {
    if (glInputInited) return;
    controlBindingList.clear();
    postedEventList.clear();
    receivingInputEvents = 0;
    setControlValue.clear();
    setControlSpriteRef = -1;
    glInputInited = 1;
}

void glInput_destructInputManager(void) {
    if (!glInputInited) return;
    glInput_endInputRecording();
    glInput_removeAllControlBindings();
    // Nothing may read the slots once the manager is gone; the sprites that
    // kept references went with the script host before this.
    eventSlots.clear();
    postedEventList.clear();
    controlBindingList.shrink_to_fit();
    postedEventList.shrink_to_fit();
    setControlValue.clear();
    receivingInputEvents = 0;
    glInputInited = 0;
}
