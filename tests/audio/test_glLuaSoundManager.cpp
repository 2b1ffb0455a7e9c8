// Grouped sounds and music through the script functions, on a loopback device:
// index files, random choice, volumes per sound type, the four music slots,
// music that goes on by itself, and the usage errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "audio/glLuaSoundManager.h"
#include "audio/glSoundManager.h"
#include "core/glMemory.h"
#include "soundTestSupport.h"

using namespace soundTest;
namespace fs = std::filesystem;

namespace {

class SoundScripts : public ::testing::Test {
protected:
    lua_State *L = nullptr;
    fs::path previous, folder;

    void SetUp() override {
        previous = fs::current_path();
        folder = fs::path(::testing::TempDir()) / ("quillmere-sound-" + std::to_string(getpid()));
        fs::create_directories(folder / "Data" / "Sounds");
        fs::current_path(folder);
        for (const char *name : {"a", "b", "m1", "m2", "m3", "m4", "m5"})
            writeFile(std::string("Data/Sounds/") + name + ".wav", flatWav(kRate, 0.5));
        writeFile("Data/Sounds/short.wav", flatWav(100, 0.5));
        writeFile("Data/Sounds/broken.wav", "RIFF");
        ASSERT_EQ(initLoopbackSoundManager(32, kRate), 1);
        L = luaL_newstate();
        luaL_openlibs(L);
        initLuaSpriteSoundManager(L);
    }
    void TearDown() override {
        destructLuaSpriteSoundManager();
        lua_close(L);
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    // Runs script text; returns its error message, or "" when it ran.
    std::string run(const std::string &code) {
        if (!luaL_loadstring(L, code.c_str()) && !lua_pcall(L, 0, 0, 0)) return "";
        std::string message = lua_tostring(L, -1);
        lua_pop(L, 1);
        return message;
    }
    int play(const std::string &group, const std::string &type = "gSoundEffect") {
        EXPECT_EQ(run("channel = soundManager_playSoundGroup('" + group + "', " + type + ")"), "");
        lua_getglobal(L, "channel");
        int channel = (int)lua_tonumber(L, -1);
        lua_pop(L, 1);
        return channel;
    }
    // Loads an index file of the given text; returns what was logged.
    std::string loadIndex(const std::string &text) {
        writeFile("Data/Sounds/index.txt", text);
        testing::internal::CaptureStderr();
        EXPECT_EQ(run("soundManager_loadIndexFile('Data/Sounds/index.txt')"), "");
        return testing::internal::GetCapturedStderr();
    }
    void music(const std::string &group) { EXPECT_EQ(run("soundManager_playMusicGroup('" + group + "', gMusicEffect)"), ""); }
};

TEST_F(SoundScripts, IndexFilesKeepGroupsAndSkipCommentsBadLinesAndFailedSounds) {
    std::string big = "big";
    for (int i = 0; i < 65; i++) big += "/a.wav";
    std::string log = loadIndex("# a comment/a.wav\nsteps/a.wav/b.wav\r\nvoice//a.wav/\r/lead/b.wav\nnameonly\n\n"
                                "broken/missing.wav/broken.wav\n" + big + "\n" + std::string(70, 'n') + "/a.wav\n"
                                "long/" + std::string(1017, 'x') + "yyyy/a.wav\n"  // a line holds 1022 characters
                                "tail/a.wav");  // a last line without a break is not read
    EXPECT_EQ(log, "Error: mmioOpen()\nError: Unable to locate sound missing.wav for event broken\n"
                   "Error: mmioDescend(wave)\nError: Unable to locate sound broken.wav for event broken\n"
                   "Error: Unable to load sound a.wav for event big (Already 64 in this event group)\n"
                   "Error: mmioOpen()\nError: Unable to locate sound " + std::string(1017, 'x') + " for event long\n");
    EXPECT_EQ(getNumberOfSoundGroups(), 6);
    EXPECT_EQ(findGroupSound("steps")->numSounds, 2);
    EXPECT_EQ(findGroupSound("big")->numSounds, 64);
    EXPECT_EQ(findGroupSound(std::string(63, 'n').c_str())->numSounds, 1);  // names are cut
    for (const char *group : {"voice", "lead", "yyyy"}) EXPECT_GE(play(group), 0) << group;
    for (const char *group : {"broken", "nameonly", "tail", "long", "# a comment", "Steps"})
        EXPECT_EQ(play(group), -1) << group;

    fs::remove("Data/Sounds/index.txt");
    testing::internal::CaptureStderr();
    run("soundManager_loadIndexFile('Data/Sounds/index.txt')");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Unable to locate sound index file Data/Sounds/index.txt\n");
}

// A level that loads its index each time it starts must not pile up groups and
// sound buffers: only the first group of a name can ever play.
TEST_F(SoundScripts, GroupsWhoseNameIsStoredAreSkippedSoLoadingAnIndexAgainAddsNothing) {
    const std::string index = "steps/a.wav\nsteps/b.wav\ntheme/m1.wav\n";
    EXPECT_EQ(loadIndex(index), "");
    ASSERT_EQ(getNumberOfSoundGroups(), 2);
    const groupSound *steps = findGroupSound("steps");
    unsigned int buffer = steps->sounds[0].dsbuffer;
    EXPECT_EQ(steps->numSounds, 1);
    music("theme");
    int channel = getMusicSlotChannel(getCurrentMusicSlot());

    uint32_t tracked = glAllocated();
    for (int load = 0; load < 3; load++) EXPECT_EQ(loadIndex(index), "");
    EXPECT_EQ(glAllocated(), tracked);
    EXPECT_EQ(getNumberOfSoundGroups(), 2);
    EXPECT_EQ(findGroupSound("steps"), steps);
    EXPECT_EQ(steps->sounds[0].dsbuffer, buffer);
    EXPECT_NEAR(renderPeak() / 0.5, 1.0, 0.002);  // the theme plays on from the same group
    EXPECT_EQ(getMusicSlotChannel(getCurrentMusicSlot()), channel);

    EXPECT_EQ(loadIndex("voice/b.wav\nsteps/b.wav\n"), "");  // new names still come in
    EXPECT_EQ(getNumberOfSoundGroups(), 3);
    EXPECT_EQ(findGroupSound("steps")->sounds[0].dsbuffer, buffer);
}

TEST_F(SoundScripts, PlaysPickEverySoundOfAGroupAtTheVolumeOfTheirType) {
    loadIndex("steps/a.wav/b.wav\n");
    std::set<const soundRef *> picked;
    for (int i = 0; i < 100; i++) {
        int channel = play("steps");
        picked.insert(getSoundChannel(channel)->sound);
        stopSound(channel);
        updateSoundManager();
    }
    const groupSound *steps = findGroupSound("steps");
    EXPECT_EQ(picked, (std::set<const soundRef *>{&steps->sounds[0], &steps->sounds[1]}));

    run("soundManager_setGroupSoundVolume(gSoundEffect, 0.5) soundManager_setGroupVolume(gVocalEffect, 0.25)");
    const struct {
        const char *type;
        double gain;
    } types[] = {{"gSoundEffect", 0.2371}, {"gVocalEffect", 0.1155}, {"gMusicEffect", 1.0}, {"7", 1.0}};
    for (const auto &t : types) {
        int channel = play("steps", t.type);
        EXPECT_NEAR(renderPeak() / 0.5, t.gain, 0.002) << t.type;
        stopSound(channel);
    }
}

TEST_F(SoundScripts, FiveThemesUseSlotsOneTwoThreeZeroOneAndTheSameThemeKeepsItsTrack) {
    loadIndex("m1/m1.wav\nm2/m2.wav\nm3/m3.wav\nm4/m4.wav\nm5/m5.wav\n");
    const int slots[] = {1, 2, 3, 0, 1};
    int previous = -1;
    for (int theme = 1; theme <= 5; theme++) {
        music("m" + std::to_string(theme));
        int slot = getCurrentMusicSlot(), channel = getMusicSlotChannel(slot);
        EXPECT_EQ(slot, slots[theme - 1]);
        EXPECT_EQ(getMusicSlotName(slot), "m" + std::to_string(theme));
        EXPECT_EQ(getMusicSlotChannel((slot + 3) % 4), -1);  // the theme before is fading out
        if (previous >= 0) {
            EXPECT_LT(getSoundChannel(previous)->fade, 1.0f);
        }
        const soundRef *track = getSoundChannel(channel)->sound;
        music("m" + std::to_string(theme));
        music("unknown");
        EXPECT_EQ(getCurrentMusicSlot(), slot);
        EXPECT_EQ(getMusicSlotChannel(slot), channel);
        EXPECT_EQ(getSoundChannel(channel)->sound, track);
        EXPECT_EQ(getSoundChannel(channel)->fade, 1.0f);
        previous = channel;
    }
    // Once the old themes have faded, the music volume reaches the playing
    // theme only through setGroupVolume.
    for (int pass = 0; pass <= 400; pass++) updateSoundManager();
    run("soundManager_setGroupSoundVolume(gMusicEffect, 0.5)");
    EXPECT_NEAR(renderPeak() / 0.5, 1.0, 0.002);
    run("soundManager_setGroupVolume(gMusicEffect, 0.5)");
    EXPECT_NEAR(renderPeak() / 0.5, 0.2371, 0.002);
}

TEST_F(SoundScripts, MusicEndingByItselfGoesOnInTheNextSlotButNotAfterStopOrFade) {
    loadIndex("m1/m1.wav\nshort/short.wav\n");
    music("short");
    renderPeak();
    updateSoundManager();
    EXPECT_EQ(getCurrentMusicSlot(), 2);
    EXPECT_EQ(getMusicSlotName(2), std::string("short"));
    EXPECT_EQ(getMusicSlotChannel(1), -1);
    EXPECT_NEAR(renderPeak(64, 16), 0.5, 0.002);  // the new track sounds

    for (const char *end : {"soundManager_stopAllGroupMusic()", "soundManager_fadeAllGroupMusic()"}) {
        music("m1");
        music("short");
        int slot = getCurrentMusicSlot();
        run(end);
        for (int pass = 0; pass < 450; pass++) {
            renderPeak(4, 0);
            updateSoundManager();
        }
        EXPECT_EQ(getCurrentMusicSlot(), slot) << end;
        EXPECT_EQ(getMusicSlotChannel(slot), -1) << end;
        EXPECT_LT(renderPeak(), 1e-4) << end;
    }
}

TEST_F(SoundScripts, WrongArgumentsRaiseTheUsageText) {
    const std::string setVolume = "usage: soundManager_setGroupVolume(<Global Sound type>, <Number [0.0, 1.0]>)";
    const std::string playGroup = "usage: soundManager_playSoundGroup(<String group name>, <Global Sound type>)";
    const std::string cases[][2] = {
        {"soundManager_loadIndexFile(5)", "usage: soundManager_loadIndexFile(<String index file name>)"},
        {"soundManager_setGroupVolume(0)", setVolume},
        {"soundManager_setGroupVolume(0, '1')", setVolume},
        {"soundManager_playSoundGroup(1, 0)", playGroup},
        {"soundManager_playSoundGroup('a')", playGroup},
        {"soundManager_playMusicGroup('a', 'b')",
         "usage: soundManager_playMusicGroup(<String group name>, <Global Sound type>)"},
        {"soundManager_setAllMusicRate(100)", "usage: soundManager_setAllMusicRate(<Int Rate>)"},
        {"soundManager_setGroupSoundVolume(0, 1, 2)",
         "usage: soundManager_setGroupSoundVolume(<Integer sound id>, <Float volume [0.0 - 1.0]>)"},
    };
    for (const auto &c : cases) EXPECT_EQ(run(c[0]), c[1]) << c[0];
    EXPECT_EQ(run("soundManager_stopAllGroupMusic(1) soundManager_fadeAllGroupMusic({}) "
                  "soundManager_resetAllGroupMusicVolume('x') soundManager_setAllMusicRate(0, 50) "
                  "soundManager_setGroupVolume(1e300, -1e300) soundManager_setGroupSoundVolume(0, 0/0)"),
              "");
}

}  // namespace
