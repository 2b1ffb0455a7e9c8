// glSound: the lowest audio layer. Owns the sound device (OpenAL Soft), loads
// PCM WAV files into sound buffers (one buffer per sound, shared by every
// channel that plays it) and plays them on a fixed array of channels (one AL
// source each) with volume, fade, mute and a completion callback. The run
// loop calls updateSoundManager once per update step to free ended channels
// and advance fades. It knows nothing of groups, music or scripts (see
// glSoundManager). When no device opens, the sound system is simply not up:
// every operation does nothing and the game runs silent. Main thread only.
//
// The functions named `...Win...` are the device layer; the plain ones check
// that the sound system is up and forward to it.
#pragma once

#include <cstdint>

// A loaded sound. Owned by its caller; release it with releaseSound.
struct soundRef {
    unsigned int dsbuffer;  // AL buffer holding the samples, 0 when none
    int32_t state;          // 0 after loading
    int32_t rate;           // samples per second
    int32_t size;           // bytes of sample data
    int32_t id;             // copied to the channel on play
    int32_t isMovie;
};

// Called once, from updateSoundManager, when a sound ended by itself.
typedef void (*soundCallback)(int channel, void *refCon);

struct soundChannel {
    unsigned int source;    // the channel's AL source, made at start-up
    unsigned int dsbuffer;  // buffer being played, 0 when stopped
    int32_t rate, size, id;
    int32_t state;          // 0 free, 1 in use (playing, or stopped awaiting clean-up)
    int32_t priority;       // 0 at start-up, -1 after each clean-up
    float origVolume;       // restored after a mute
    float currentVolume;    // where a fade starts
    soundCallback callback;
    void *refCon;
    soundRef *sound;
    float fade;             // 1.0 = not fading, else the current fade volume
};

// Opens the default device with `num` channels (the queue length is unused).
// 1 on success (also when already up); 0 after logging why not.
int initSoundManager(int num, int queueLength);
int initWinSoundManager(int num, int queueLength);
// The same on a loopback device: nothing reaches a sound card and the mix is
// rendered on demand by renderLoopbackSound (mono, 32-bit float, `frequency`
// samples per second). For tests and offline tools.
int initLoopbackSoundManager(int num, int frequency);
// Renders the next `frames` samples of the mix. 0 when the device is not a
// loopback device.
int renderLoopbackSound(float *samples, int frames);
// Stops every channel and closes the device. Sounds still loaded become
// unusable, so their owners release them first.
void destroySoundManager(void);
// 1 while the sound system is up.
int soundManagerIsUp(void);

// Loads a PCM WAV file into `ref`. 1 on success, 0 after logging why not
// (0 without a message when the sound system is not up).
int loadWavFile(soundRef *ref, const char *fileName);
int loadWinWavFile(soundRef *ref, const char *fileName);
// Stops every channel playing the sound and deletes its buffer.
void releaseSound(soundRef *ref);

// Plays at priority 0: the channel number, or -1 (0 when the sound system is
// not up). Only `left` is used; there is no panning.
int playSound(soundRef *sound, soundCallback callback, float left, float right);
int playSound(soundRef *sound, float left, float right);
int playWinSound(soundRef *sound, int priority, soundCallback callback, void *refCon, float left, float right);

// Stops at once; the channel is freed at the next service pass, without callback.
int stopSound(int channel);
int stopWinSound(int channel);
// Fades out over the next passes (400 from full volume), then stops; no callback.
int fadeSound(int channel);
int fadeWinSound(int channel);
// Sets the channel's volume without changing its original or fade volume.
int setSoundVolume(int channel, float left, float right);
int setWinSoundVolume(int channel, float left, float right);
// Accepted and ignored.
void setSoundRate(int channel, int rate);

// Mutes every playing channel that is not fading, and every later volume
// change, until unsquelchAllSounds restores their volumes.
void squelchAllSounds(void);
void unsquelchAllSounds(void);
// Once per update step: frees ended and stopped channels (calling the callback
// of those that ended by themselves) and advances fades.
void updateSoundManager(void);

// The lowest free channel, else the first whose priority is below `priority`
// (stopped and handed over), else -1.
int getAvailableChannel(int priority);
void clearChannel(int channel);

// Called around full-screen switches; nothing to do.
void stopAllHazardousSounds(void);
void startAllHazardousSounds(void);

// A volume (0.0 silent to 1.0 full) as hundredths of a decibel: 0 to -2500,
// linear in decibels; only exact 0.0 (or a mute) gives -10000.
int soundAttenuationForVolume(float volume);
// Read-only view of a channel, null outside the array or when not up.
const soundChannel *getSoundChannel(int channel);
int getNumberOfSoundChannels(void);
