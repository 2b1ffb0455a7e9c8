// glSoundManager: grouped sounds and music over the channels of glSound. Sound
// index files under "Data/Sounds/" name groups of WAV files; playing a group
// picks one of its files at random at the volume of its sound type (effect,
// voice, music). Music goes through a ring of four slots: a new theme fades
// the old one out, and a theme that ends by itself goes on with another
// random track of its group. It knows nothing of scripts (glLuaSoundManager).
#pragma once

#include <cstdint>

#include "audio/glSound.h"

enum { kGroupNameLength = 64, kMaxGroupSounds = 64, kMusicSlots = 4 };

// Sound types; any other type plays at volume 1.0.
enum { kSoundEffect = 0, kVocalEffect = 1, kMusicEffect = 2 };

struct groupSound {
    char name[kGroupNameLength];  // up to 63 characters
    soundRef sounds[kMaxGroupSounds];
    int32_t numSounds;
};

// Releases any groups held, starts an empty list and empty music slots.
void initGroupSoundManager(void);
// Stops the music and releases every group and its sounds.
void destructGroupSoundManager(void);
// Adds the groups of an index file ("name/file.wav/file2.wav" per line, "#"
// comments). A group whose name is already stored is skipped (its sounds are
// not loaded), so loading the same index again adds nothing. Does nothing
// while the sound system is not up.
void loadGroupSoundManagerIndexFile(const char *fileName);

// Type 0, 1 or 2; other types are ignored.
void setGroupSoundVolume(int type, float volume);
float getGroupSoundVolume(int type);
// A random sound of the first group of that name: the channel, or -1.
int playGroupSoundGroup(const char *name, int type, soundCallback callback);
int playGroupSoundGroup(const char *name, int type);

// Starts the group as music in the next slot unless it is the current music.
void playGroupMusicGroup(const char *name, int type);
// Completion callback of music: the current theme goes on with a new track.
void groupMusicCallback(int channel, void *refCon);
void stopAllGroupMusic(void);
void fadeAllGroupMusic(void);
void resetAllGroupMusicVolume(void);
// Stored and passed to the music channels (which do not change rate).
void setAllGroupMusicRate(int rate);
// The rate last set (100 at start).
int getAllGroupMusicRate(void);

// The first stored group of that name, or null.
const groupSound *findGroupSound(const char *name);
int getNumberOfSoundGroups(void);
// The current music slot, and the channel (or -1) and group name of a slot.
int getCurrentMusicSlot(void);
int getMusicSlotChannel(int slot);
const char *getMusicSlotName(int slot);
