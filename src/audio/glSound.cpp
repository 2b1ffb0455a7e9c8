// glSound: channels on OpenAL Soft. A channel is an AL source; a sound is an AL
// buffer that any number of sources may play at once. "Ended" is a source that
// is no longer playing. Volumes go through the attenuation law (hundredths of
// a decibel) and become gain = 10^(attenuation / 2000).

#include "audio/glSound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/glSoundWAV.h"
#include "core/glMemory.h"

static ALCdevice *directSoundObject = nullptr;
static ALCcontext *soundContext = nullptr;
static LPALCRENDERSAMPLESSOFT renderSamples = nullptr;  // set for a loopback device
static soundChannel *soundArray = nullptr;
static int numOfSounds = 0;
static int valid = 0;
static int squelchSounds = 0;
static int exitHookInstalled = 0;

// More channels than any device offers sources; also keeps the array size in range.
enum { kMaxChannels = 4096 };
static const int kSilence = -10000;

// Codes the buffer-creation failure reports, with their names.
static const uint32_t kErrorOutOfMemory = 0x8007000E;
static const uint32_t kErrorInvalidParam = 0x80070057;
static const uint32_t kErrorBadFormat = 0x88780064;

static int private_channelInRange(int channel) { return valid && channel >= 0 && channel < numOfSounds; }

static float private_gain(int attenuation) { return powf(10.0f, (float)attenuation / 2000.0f); }

// A device left open at exit makes the library complain into the log.
static void private_closeAtExit(void) { destroySoundManager(); }

// The context and the channel array on an opened device.
static int private_startOnDevice(ALCdevice *device, const ALCint *attributes, int num) {
    directSoundObject = device;
    soundContext = alcCreateContext(device, attributes);
    if (!soundContext || !alcMakeContextCurrent(soundContext)) {
        fprintf(stderr, "Error: Unable to set the cooperation level\n");
        if (soundContext) alcDestroyContext(soundContext);
        alcCloseDevice(device);
        directSoundObject = nullptr;
        soundContext = nullptr;
        return 0;
    }
    soundArray = num <= kMaxChannels ? (soundChannel *)glMalloc((uint32_t)(num * sizeof(soundChannel))) : nullptr;
    int made = 0;
    if (soundArray) {
        alGetError();
        for (made = 0; made < num; made++) {
            alGenSources(1, &soundArray[made].source);
            if (alGetError() != AL_NO_ERROR) break;
            // No distance, no panning: every channel sounds as if at the listener.
            alSourcei(soundArray[made].source, AL_SOURCE_RELATIVE, AL_TRUE);
            alSourcef(soundArray[made].source, AL_ROLLOFF_FACTOR, 0.0f);
            alSourcei(soundArray[made].source, AL_LOOPING, AL_FALSE);
        }
    }
    if (made < num) {
        fprintf(stderr, "Error: Unable to allocate the sound array\n");
        numOfSounds = made;
        destroySoundManager();
        return 0;
    }
    for (int i = 0; i < num; i++) {
        soundArray[i].state = 0;
        soundArray[i].fade = 1.0f;
    }
    numOfSounds = num;
    valid = 1;
    squelchSounds = 0;
    if (!exitHookInstalled) exitHookInstalled = atexit(private_closeAtExit) == 0;
    return 1;
}

int initWinSoundManager(int num, int queueLength) {
    (void)queueLength;
    if (num < 1) return 0;
    ALCdevice *device = alcOpenDevice(nullptr);
    if (!device) {
        fprintf(stderr, "Error: Unable to create the direct sound object\n");
        return 0;
    }
    renderSamples = nullptr;
    return private_startOnDevice(device, nullptr, num);
}

int initSoundManager(int num, int queueLength) {
    if (valid) return 1;
    return initWinSoundManager(num, queueLength);
}

int initLoopbackSoundManager(int num, int frequency) {
    if (valid) destroySoundManager();
    if (num < 1 || !alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return 0;
    auto openLoopback = (LPALCLOOPBACKOPENDEVICESOFT)alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT");
    auto render = (LPALCRENDERSAMPLESSOFT)alcGetProcAddress(nullptr, "alcRenderSamplesSOFT");
    ALCdevice *device = openLoopback && render ? openLoopback(nullptr) : nullptr;
    if (!device) {
        fprintf(stderr, "Error: Unable to create the direct sound object\n");
        return 0;
    }
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_MONO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY, frequency, 0};
    renderSamples = render;
    if (!private_startOnDevice(device, attributes, num)) {
        renderSamples = nullptr;
        return 0;
    }
    return 1;
}

int renderLoopbackSound(float *samples, int frames) {
    if (!valid || !renderSamples || !samples || frames < 0) return 0;
    renderSamples(directSoundObject, samples, frames);
    return 1;
}

void destroySoundManager(void) {
    if (soundArray) {
        for (int i = 0; i < numOfSounds; i++) {
            if (!soundArray[i].source) continue;
            alSourceStop(soundArray[i].source);
            alSourcei(soundArray[i].source, AL_BUFFER, 0);
            alDeleteSources(1, &soundArray[i].source);
        }
        glFree(soundArray, (uint32_t)(numOfSounds * sizeof(soundChannel)));
    }
    soundArray = nullptr;
    numOfSounds = 0;
    valid = 0;
    squelchSounds = 0;
    renderSamples = nullptr;
    if (soundContext) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(soundContext);
    }
    if (directSoundObject) alcCloseDevice(directSoundObject);
    soundContext = nullptr;
    directSoundObject = nullptr;
}

int soundManagerIsUp(void) { return valid; }

// Reads the whole file into a tracked block of `*allocated` bytes; null when it cannot.
static unsigned char *private_readFile(const char *fileName, uint32_t *length, uint32_t *allocated) {
    FILE *file = fileName ? fopen(fileName, "rb") : nullptr;
    if (!file) return nullptr;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0) size = ftell(file);
    unsigned char *bytes = nullptr;
    if (size >= 0 && size < 0x7fffffffL && fseek(file, 0, SEEK_SET) == 0) {
        *allocated = (uint32_t)size + 1;
        bytes = (unsigned char *)glMalloc(*allocated);
    }
    if (bytes) *length = (uint32_t)fread(bytes, 1, (size_t)size, file);
    fclose(file);
    return bytes;
}

static int private_bufferFailed(uint32_t code) {
    fprintf(stderr, "Error: directSoundObject->CreateSoundBuffer(%d)\n", (int)code);
    if (code == kErrorBadFormat) fprintf(stderr, "DSERR_BADFORMAT \n");
    if (code == kErrorInvalidParam) fprintf(stderr, "DSERR_INVALIDPARAM \n");
    if (code == kErrorOutOfMemory) fprintf(stderr, "DSERR_OUTOFMEMORY \n");
    return 0;
}

// A buffer holding the whole frames of the samples; 0 after logging why not.
static int private_createBuffer(soundRef *ref, const wavSound *wav) {
    int format = glSoundWAV_bufferFormat(&wav->format);
    if (!format) return private_bufferFailed(kErrorBadFormat);
    uint32_t size = wav->size - wav->size % wav->format.blockAlign;
    if (size == 0) return private_bufferFailed(kErrorInvalidParam);
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return private_bufferFailed(kErrorOutOfMemory);
    alBufferData(buffer, format, wav->samples, (ALsizei)size, (ALsizei)wav->format.samplesPerSec);
    ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return private_bufferFailed(error == AL_OUT_OF_MEMORY ? kErrorOutOfMemory : kErrorBadFormat);
    }
    ref->dsbuffer = buffer;
    ref->rate = (int32_t)wav->format.samplesPerSec;
    ref->size = (int32_t)size;
    ref->state = 0;
    return 1;
}

int loadWinWavFile(soundRef *ref, const char *fileName) {
    uint32_t length = 0, allocated = 0;
    unsigned char *bytes = private_readFile(fileName, &length, &allocated);
    if (!bytes) {
        fprintf(stderr, "Error: mmioOpen()\n");
        return 0;
    }
    wavSound wav;
    int loaded = glSoundWAV_read(bytes, length, &wav) && private_createBuffer(ref, &wav);
    glFree(bytes, allocated);
    return loaded;
}

int loadWavFile(soundRef *ref, const char *fileName) {
    if (!valid || !ref) return 0;
    return loadWinWavFile(ref, fileName);
}

void releaseSound(soundRef *ref) {
    if (!ref || !ref->dsbuffer) return;
    if (valid) {
        for (int i = 0; i < numOfSounds; i++)
            if (soundArray[i].dsbuffer == ref->dsbuffer) stopWinSound(i);
        alDeleteBuffers(1, &ref->dsbuffer);
    }
    ref->dsbuffer = 0;
}

int soundAttenuationForVolume(float volume) {
    if (volume > 1.0f) volume = 1.0f;
    if (squelchSounds) volume = 0.0f;
    if (volume == 0.0f) return kSilence;
    double attenuation = (1.0 - volume) * -2500.0;
    // Far below the audible range (and NaN) is silence, never an overflow.
    if (!(attenuation >= kSilence)) return kSilence;
    return (int)attenuation;
}

int setWinSoundVolume(int channel, float left, float right) {
    (void)right;
    soundChannel *c = &soundArray[channel];
    if (!c->dsbuffer) return 0;
    alGetError();
    alSourcef(c->source, AL_GAIN, private_gain(soundAttenuationForVolume(left)));
    if (alGetError() != AL_NO_ERROR) {
        fprintf(stderr, "Error: soundArray[chan].dsbuffer->SetVolume()\n");
        return -1;
    }
    return 0;
}

int setSoundVolume(int channel, float left, float right) {
    if (!private_channelInRange(channel)) return 0;
    return setWinSoundVolume(channel, left, right);
}

void setSoundRate(int channel, int rate) {
    (void)channel;
    (void)rate;
}

void clearChannel(int channel) {
    if (!private_channelInRange(channel)) return;
    soundChannel *c = &soundArray[channel];
    c->state = 0;
    c->priority = -1;
    c->callback = nullptr;
    c->refCon = nullptr;
    c->sound = nullptr;
    c->fade = 1.0f;
}

int stopWinSound(int channel) {
    soundChannel *c = &soundArray[channel];
    if (!c->dsbuffer) return 0;
    c->callback = nullptr;
    alSourceStop(c->source);
    alSourceRewind(c->source);
    alSourcei(c->source, AL_BUFFER, 0);
    c->dsbuffer = 0;
    return 1;
}

int stopSound(int channel) {
    if (!private_channelInRange(channel)) return 0;
    return stopWinSound(channel);
}

int fadeWinSound(int channel) {
    soundChannel *c = &soundArray[channel];
    if (!c->dsbuffer) return 0;
    c->fade = c->currentVolume * 0.999f;
    c->callback = nullptr;
    return 1;
}

int fadeSound(int channel) {
    if (!private_channelInRange(channel)) return 0;
    return fadeWinSound(channel);
}

int getAvailableChannel(int priority) {
    if (!valid) return -1;
    for (int i = 0; i < numOfSounds; i++)
        if (soundArray[i].state == 0) return i;
    for (int i = 0; i < numOfSounds; i++) {
        if (soundArray[i].priority < priority) {
            stopSound(i);
            return i;
        }
    }
    return -1;
}

int playWinSound(soundRef *sound, int priority, soundCallback callback, void *refCon, float left, float right) {
    if (!valid) return -1;
    // A sound that never loaded has no buffer to share.
    if (!sound || !sound->dsbuffer) {
        fprintf(stderr, "Error: directSoundObject->DuplicateSoundBuffer()\n");
        return -1;
    }
    int channel = getAvailableChannel(priority);
    if (channel < 0) {
        fprintf(stderr, "Error: getAvailableChannel()\n");
        return -1;
    }
    soundChannel *c = &soundArray[channel];
    c->state = sound->state;
    c->rate = sound->rate;
    c->size = sound->size;
    c->id = sound->id;
    alGetError();
    alSourceStop(c->source);
    alSourcei(c->source, AL_BUFFER, (ALint)sound->dsbuffer);
    if (alGetError() != AL_NO_ERROR) {
        c->dsbuffer = 0;
        fprintf(stderr, "Error: directSoundObject->DuplicateSoundBuffer()\n");
        return -1;
    }
    c->dsbuffer = sound->dsbuffer;
    c->currentVolume = c->origVolume = left;
    alSourcef(c->source, AL_GAIN, 1.0f);  // a fresh buffer plays at full volume
    setWinSoundVolume(channel, left, right);
    alSourcePlay(c->source);
    if (alGetError() != AL_NO_ERROR) {
        fprintf(stderr, "Error: soundArray[chan].dsbuffer->Play()\n");
        alSourcei(c->source, AL_BUFFER, 0);
        c->dsbuffer = 0;
        return -1;
    }
    c->callback = callback;
    c->state = 1;
    c->refCon = refCon;
    c->sound = sound;
    c->fade = 1.0f;
    return channel;
}

int playSound(soundRef *sound, soundCallback callback, float left, float right) {
    if (!valid) return 0;
    return playWinSound(sound, 0, callback, nullptr, left, right);
}

int playSound(soundRef *sound, float left, float right) { return playSound(sound, nullptr, left, right); }

void squelchAllSounds(void) {
    if (!valid) return;
    for (int i = 0; i < numOfSounds; i++)
        if (soundArray[i].state == 1 && soundArray[i].dsbuffer && soundArray[i].fade == 1.0f)
            setWinSoundVolume(i, 0.0f, 0.0f);
    squelchSounds = 1;
}

void unsquelchAllSounds(void) {
    if (!valid) return;
    squelchSounds = 0;
    for (int i = 0; i < numOfSounds; i++)
        if (soundArray[i].state == 1 && soundArray[i].dsbuffer && soundArray[i].fade == 1.0f)
            setWinSoundVolume(i, soundArray[i].origVolume, soundArray[i].origVolume);
}

static int private_hasEnded(const soundChannel *c) {
    if (!c->dsbuffer) return 1;
    ALint playing = AL_STOPPED;
    alGetSourcei(c->source, AL_SOURCE_STATE, &playing);
    return playing != AL_PLAYING;
}

void updateSoundManager(void) {
    if (!valid) return;
    for (int i = 0; i < numOfSounds; i++) {
        soundChannel *c = &soundArray[i];
        if (c->state != 1) continue;
        if (private_hasEnded(c)) {
            soundCallback callback = c->callback;
            void *refCon = c->refCon;
            stopWinSound(i);
            clearChannel(i);
            // The callback may play again, even on this channel.
            if (callback) callback(i, refCon);
            continue;
        }
        if (c->fade < 1.0f) {
            c->fade -= 0.0025f;
            if (c->fade > 0.0f)
                setWinSoundVolume(i, c->fade, c->fade);
            else
                stopWinSound(i);
        }
    }
}

void stopAllHazardousSounds(void) {}
void startAllHazardousSounds(void) {}

const soundChannel *getSoundChannel(int channel) {
    return private_channelInRange(channel) ? &soundArray[channel] : nullptr;
}

int getNumberOfSoundChannels(void) { return numOfSounds; }
