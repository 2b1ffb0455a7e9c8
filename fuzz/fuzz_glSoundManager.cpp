// Fuzz target for the sound index reader (loadGroupSoundManagerIndexFile, what
// soundManager_loadIndexFile calls): the bytes are written out as an index file
// and loaded by the real sound layer on an OpenAL Soft loopback device, so no
// sound card is needed. It runs in a folder of its own whose Data/Sounds/ holds
// small WAV files under the names the game's index uses, a broken WAV and a
// folder, so that lines reach every path of the loader. After each input every
// group found by the name its line starts with must hold 1 to 64 sounds and
// play, and releasing the groups must give back every buffer and all tracked
// memory. Seeds: fuzz/corpus/fuzz_glSoundManager (see fuzz/README.md).
#include <AL/al.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/glSound.h"
#include "audio/glSoundManager.h"
#include "core/glMemory.h"

// The platform's file opener (the fuzz target links no window layer).
FILE *openFile(const char *fileName, const char *mode) { return fopen(fileName, mode); }
// Failed loads show on the window's error line; there is no window here (the
// log lines still come).
void glErrorLine_showHere(const char *what) { (void)what; }

static std::string private_le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; i++) out += (char)((value >> (8 * i)) & 0xff);
    return out;
}

// A mono 8-bit PCM file of `frames` samples.
static std::string private_wav(int frames) {
    std::string fmt = private_le(1, 2) + private_le(1, 2) + private_le(22050, 4) + private_le(22050, 4) +
                      private_le(1, 2) + private_le(8, 2);
    std::string data(frames, '\x80');
    std::string chunks = "fmt " + private_le(16, 4) + fmt + "data" + private_le(frames, 4) + data;
    return "RIFF" + private_le((uint32_t)chunks.size() + 4, 4) + "WAVE" + chunks;
}

static void private_write(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) abort();
    fclose(file);
}

// The target changes into a folder of its own, so the paths it was given (corpus
// folders, -artifact_prefix, -exact_artifact_path, -dict) are made absolute first.
static void private_absoluteArguments(int *argc, char ***argv) {
    static std::vector<std::string> kept;
    static std::vector<char *> pointers;
    char here[4096];
    if (!getcwd(here, sizeof(here))) abort();
    kept.assign(*argv, *argv + *argc);
    for (size_t i = 1; i < kept.size(); i++) {
        std::string &argument = kept[i];
        size_t at = 0;
        if (argument[0] == '-') {
            at = argument.find('=');
            std::string flag = argument.substr(0, at);
            if (at == std::string::npos ||
                (flag != "-artifact_prefix" && flag != "-exact_artifact_path" && flag != "-dict"))
                continue;
            at++;
        }
        if (at < argument.size() && argument[at] != '/') argument.insert(at, std::string(here) + "/");
    }
    pointers.clear();
    for (std::string &argument : kept) pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    *argv = pointers.data();
}

static char folder[] = "/tmp/quillmere-fuzz-sounds-XXXXXX";

static void private_removeFolder(void) {
    if (chdir("/") == 0 && system((std::string("rm -rf ") + folder).c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", folder);
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    private_absoluteArguments(argc, argv);
    if (!mkdtemp(folder) || chdir(folder) != 0) abort();
    if (system("mkdir -p Data/Sounds/folder.wav") != 0) abort();
    const char *names[] = {"music_title.wav", "music_meadow.wav", "start.wav", "jump1.wav",
                           "jump2.wav", "land.wav", "collect1.wav", "collect2.wav",
                           "step1.wav", "step2.wav", "splash.wav", "a.wav"};
    int frames = 16;
    for (const char *name : names) private_write(std::string("Data/Sounds/") + name, private_wav(frames++));
    private_write("Data/Sounds/broken.wav", private_wav(16).substr(0, 30));
    if (!initLoopbackSoundManager(32, 22050)) {
        fprintf(stderr, "no OpenAL Soft loopback device\n");
        abort();
    }
    atexit(private_removeFolder);
    return 0;
}

// The first field of every line (a line longer than 1022 bytes goes on as a
// further line), as the index names its groups.
static std::vector<std::string> private_lineNames(const uint8_t *data, size_t size) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < size) {
        size_t end = i;
        while (end < size && end - i < 1022 && data[end] != '\n' && data[end] != '\r') end++;
        std::string line((const char *)data + i, end - i);
        line = line.substr(0, strlen(line.c_str()));
        size_t start = line.find_first_not_of('/');
        if (start != std::string::npos) {
            size_t stop = line.find('/', start);
            names.push_back(line.substr(start, stop == std::string::npos ? std::string::npos : stop - start)
                                .substr(0, kGroupNameLength - 1));
        }
        i = end - i == 1022 ? end : end + 1;
    }
    return names;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    uint32_t start = glAllocated();
    private_write("index.txt", std::string((const char *)data, size));
    loadGroupSoundManagerIndexFile("index.txt");

    std::vector<ALuint> buffers;
    int found = 0;
    for (const std::string &name : private_lineNames(data, size)) {
        const groupSound *group = findGroupSound(name.c_str());
        if (!group) continue;
        found++;
        if (group->numSounds < 1 || group->numSounds > kMaxGroupSounds) abort();
        if (strnlen(group->name, kGroupNameLength) >= kGroupNameLength) abort();
        for (int i = 0; i < group->numSounds; i++) {
            if (!alIsBuffer(group->sounds[i].dsbuffer)) abort();
            buffers.push_back(group->sounds[i].dsbuffer);
        }
        // Each play is stopped and its channel freed, so channels never run out.
        int channel = playGroupSoundGroup(group->name, kSoundEffect);
        if (channel < 0) abort();
        stopSound(channel);
        playGroupMusicGroup(group->name, kMusicEffect);
        if (getMusicSlotChannel(getCurrentMusicSlot()) < 0) abort();
        stopAllGroupMusic();
        updateSoundManager();
    }
    if (getNumberOfSoundGroups() > 0 && found == 0) abort();

    destructGroupSoundManager();
    for (ALuint buffer : buffers)
        if (alIsBuffer(buffer)) abort();
    if (glAllocated() != start) {
        fprintf(stderr, "tracked memory leaked: %d bytes\n", (int)(glAllocated() - start));
        abort();
    }
    return 0;
}
