// glSoundManager: sound groups from index files, per-type volumes, and music
// through four slots so that a new theme can start while the old one fades.

#include "audio/glSoundManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/tree.h"
#include "graphics/glErrorLine.h"
#include "platform/glEnvironment.h"

static _treeNode *groupSoundList = nullptr;
static float soundVolume = 1.0f, voiceVolume = 1.0f, musicVolume = 1.0f;
static char musicChannel[kMusicSlots][kGroupNameLength];
static int musicChannelIDs[kMusicSlots] = {-1, -1, -1, -1};
static int currentMusicChannel = 0;
static int musicRate = 100;

// Characters of one index-file line; what follows on a longer line is read as
// a further line.
enum { kMaxLineLength = 1022 };
static const char *kSoundFolder = "Data/Sounds/";

// Group names are cut to what a record holds.
static void private_copyName(char *to, const char *from) {
    int i = 0;
    for (; i < kGroupNameLength - 1 && from[i]; i++) to[i] = from[i];
    to[i] = 0;
}

static float private_volumeForType(int type) {
    switch (type) {
    case kSoundEffect: return soundVolume;
    case kVocalEffect: return voiceVolume;
    case kMusicEffect: return musicVolume;
    default: return 1.0f;
    }
}

static groupSound *private_findGroup(const char *name) {
    if (!groupSoundList || !name) return nullptr;
    for (_treeNode *node = groupSoundList->child; node; node = node->sibling) {
        groupSound *group = (groupSound *)node->data;
        if (group->numSounds != 0 && strcmp(group->name, name) == 0) return group;
    }
    return nullptr;
}

static void private_releaseGroups(void) {
    if (!groupSoundList) return;
    for (_treeNode *node = groupSoundList->child; node; node = node->sibling) {
        groupSound *group = (groupSound *)node->data;
        for (int i = 0; i < group->numSounds; i++) releaseSound(&group->sounds[i]);
    }
    destructTree(groupSoundList);
    groupSoundList = nullptr;
}

static void private_clearMusicSlots(void) {
    for (int i = 0; i < kMusicSlots; i++) {
        musicChannelIDs[i] = -1;
        musicChannel[i][0] = 0;
    }
    currentMusicChannel = 0;
}

void initGroupSoundManager(void) {
    stopAllGroupMusic();
    private_releaseGroups();
    groupSoundList = createTree();
    private_clearMusicSlots();
    musicRate = 100;
    soundVolume = voiceVolume = musicVolume = 1.0f;
}

void destructGroupSoundManager(void) {
    stopAllGroupMusic();
    private_releaseGroups();
    private_clearMusicSlots();
}

// The next line without its break (LF, CR or CR LF) into `line`; 0 at the end
// of the file, where a last line without a break is dropped.
static int private_readLine(FILE *file, char *line) {
    int length = 0;
    for (;;) {
        int ch = fgetc(file);
        if (ch == EOF) return 0;
        if (ch == '\n') break;
        if (ch == '\r') {
            int next = fgetc(file);
            if (next != '\n' && next != EOF) ungetc(next, file);
            break;
        }
        line[length++] = (char)ch;
        if (length == kMaxLineLength) break;
    }
    line[length] = 0;
    return 1;
}

// The next field between "/" separators (empty ones skipped), terminated in
// place; null when none is left.
static char *private_nextField(char **cursor) {
    char *at = *cursor;
    while (*at == '/') at++;
    if (!*at) return nullptr;
    char *field = at;
    while (*at && *at != '/') at++;
    if (*at) *at++ = 0;
    *cursor = at;
    return field;
}

static void private_loadGroupLine(char *line) {
    char *cursor = line;
    char *name = private_nextField(&cursor);
    if (!name) return;
    groupSound group;
    memset(&group, 0, sizeof(group));
    private_copyName(group.name, name);
    // Lookups find the first group of a name, so a second one could never play:
    // a level that loads its index again each time it starts would only pile up
    // sound buffers.
    if (private_findGroup(group.name)) return;
    char path[kMaxLineLength + 16];
    for (char *field = private_nextField(&cursor); field; field = private_nextField(&cursor)) {
        if (group.numSounds == kMaxGroupSounds) {
            fprintf(stderr, "Error: Unable to load sound %s for event %s (Already %d in this event group)\n", field,
                    group.name, kMaxGroupSounds);
            continue;
        }
        snprintf(path, sizeof(path), "%s%s", kSoundFolder, field);
        if (!loadWavFile(&group.sounds[group.numSounds], path)) {
            fprintf(stderr, "Error: Unable to locate sound %s for event %s\n", field, group.name);
            std::string text = std::string("Unable to locate sound ") + field + " for " + group.name;
            glErrorLine_showHere(text.c_str());
            continue;
        }
        group.numSounds++;
    }
    if (group.numSounds > 0) addChild(groupSoundList, &group, (int32_t)sizeof(group));
}

void loadGroupSoundManagerIndexFile(const char *fileName) {
    // Without a device nothing could load; the start-up line already said so.
    if (!soundManagerIsUp() || !fileName) return;
    if (!groupSoundList) groupSoundList = createTree();
    FILE *file = openFile(fileName, "rb");
    if (!file) {
        fprintf(stderr, "Error: Unable to locate sound index file %s\n", fileName);
        glErrorLine_showHere((std::string("Unable to locate sound index file ") + fileName).c_str());
        return;
    }
    char line[kMaxLineLength + 1];
    while (private_readLine(file, line)) {
        if (line[0] == '#' || !strchr(line, '/')) continue;
        private_loadGroupLine(line);
    }
    fclose(file);
}

void setGroupSoundVolume(int type, float volume) {
    switch (type) {
    case kSoundEffect: soundVolume = volume; break;
    case kVocalEffect: voiceVolume = volume; break;
    case kMusicEffect: musicVolume = volume; break;
    default: break;
    }
}

float getGroupSoundVolume(int type) { return private_volumeForType(type); }

int playGroupSoundGroup(const char *name, int type, soundCallback callback) {
    float volume = private_volumeForType(type);
    groupSound *group = private_findGroup(name);
    if (!group) return -1;
    return playSound(&group->sounds[rand() % group->numSounds], callback, volume, volume);
}

int playGroupSoundGroup(const char *name, int type) { return playGroupSoundGroup(name, type, nullptr); }

void playGroupMusicGroup(const char *name, int type) {
    float volume = private_volumeForType(type);
    groupSound *group = private_findGroup(name);
    if (!group) return;
    if (strcmp(musicChannel[currentMusicChannel], name) == 0) return;
    fadeAllGroupMusic();
    currentMusicChannel = (currentMusicChannel + 1) % kMusicSlots;
    private_copyName(musicChannel[currentMusicChannel], group->name);
    soundRef *track = &group->sounds[rand() % group->numSounds];
    musicChannelIDs[currentMusicChannel] = playSound(track, groupMusicCallback, volume, volume);
}

void groupMusicCallback(int channel, void *refCon) {
    (void)refCon;
    if (channel != musicChannelIDs[currentMusicChannel]) return;
    char name[kGroupNameLength];
    memcpy(name, musicChannel[currentMusicChannel], sizeof(name));
    musicChannel[currentMusicChannel][0] = 0;
    playGroupMusicGroup(name, kMusicEffect);
    if (musicRate != 100) setAllGroupMusicRate(musicRate);
}

void stopAllGroupMusic(void) {
    for (int i = 0; i < kMusicSlots; i++) {
        int channel = musicChannelIDs[i];
        if (channel < 0) continue;
        musicChannelIDs[i] = -1;
        musicChannel[i][0] = 0;
        stopSound(channel);
    }
}

void fadeAllGroupMusic(void) {
    resetAllGroupMusicVolume();
    for (int i = 0; i < kMusicSlots; i++) {
        int channel = musicChannelIDs[i];
        if (channel < 0) continue;
        musicChannelIDs[i] = -1;
        musicChannel[i][0] = 0;
        fadeSound(channel);
    }
}

void resetAllGroupMusicVolume(void) {
    for (int i = 0; i < kMusicSlots; i++)
        if (musicChannelIDs[i] >= 0) setSoundVolume(musicChannelIDs[i], musicVolume, musicVolume);
}

void setAllGroupMusicRate(int rate) {
    musicRate = rate;
    for (int i = 0; i < kMusicSlots; i++)
        if (musicChannelIDs[i] >= 0) setSoundRate(musicChannelIDs[i], rate);
}

int getAllGroupMusicRate(void) { return musicRate; }

const groupSound *findGroupSound(const char *name) { return private_findGroup(name); }

int getNumberOfSoundGroups(void) { return numberOfChildren(groupSoundList); }

int getCurrentMusicSlot(void) { return currentMusicChannel; }

int getMusicSlotChannel(int slot) { return slot >= 0 && slot < kMusicSlots ? musicChannelIDs[slot] : -1; }

const char *getMusicSlotName(int slot) { return slot >= 0 && slot < kMusicSlots ? musicChannel[slot] : ""; }
