// Sound channels rendered through a loopback device: what a play, a fade, a
// stop or a mute sounds like, when callbacks run, how channels are chosen,
// and the whole game with and without a sound device.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audio/glSound.h"
#include "soundTestSupport.h"
#include "support/quillmereRun.h"

using namespace soundTest;

namespace {

int callbacks = 0, lastChannel = -2;
void countCallback(int channel, void *) {
    callbacks++;
    lastChannel = channel;
}

class Channels : public ::testing::Test {
protected:
    soundRef longSound{}, shortSound{};

    void startWith(int channels) {
        callbacks = 0;
        ASSERT_EQ(initLoopbackSoundManager(channels, kRate), 1);
        std::string folder = ::testing::TempDir();
        ASSERT_EQ(loadWavFile(&longSound, writeFile(folder + "quillmere_long.wav", flatWav(2 * kRate, 0.5)).c_str()), 1);
        ASSERT_EQ(loadWavFile(&shortSound, writeFile(folder + "quillmere_short.wav", flatWav(100, 0.5)).c_str()), 1);
    }
    void SetUp() override { startWith(32); }
    void TearDown() override {
        releaseSound(&longSound);
        releaseSound(&shortSound);
        destroySoundManager();
    }
    // The mix relative to one sound at full volume.
    double level() { return renderPeak() / 0.5; }
};

TEST_F(Channels, PlaysSoundAtTheGainOfTheAttenuationLawAndTwiceOnTwoChannels) {
    EXPECT_EQ(soundAttenuationForVolume(0.0001f), -2499);
    EXPECT_EQ(soundAttenuationForVolume(-1.0f), -5000);
    EXPECT_EQ(soundAttenuationForVolume(2.0f), 0);
    EXPECT_EQ(soundAttenuationForVolume(NAN), -10000);  // silence, not an overflow
    const double expected[] = {1.0, 0.2371, 0.0563, 0.0};
    const float volumes[] = {1.0f, 0.5f, 0.0001f, 0.0f};
    for (int i = 0; i < 4; i++) {
        int channel = playSound(&longSound, volumes[i], 1.0f);  // the right volume is ignored
        EXPECT_EQ(channel, i);
        EXPECT_NEAR(level(), expected[i], 0.002) << volumes[i];
        stopSound(channel);
    }
    updateSoundManager();
    int first = playSound(&longSound, 0.5f, 0.5f), second = playSound(&longSound, 0.5f, 0.5f);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(getSoundChannel(first)->dsbuffer, getSoundChannel(second)->dsbuffer);
    EXPECT_NEAR(level(), 2 * 0.2371, 0.002);
}

TEST_F(Channels, EndingByItselfCallsBackOnceWhileStopAndFadeNeverDo) {
    int ended = playSound(&shortSound, countCallback, 1.0f, 1.0f);
    int stopped = playSound(&longSound, countCallback, 1.0f, 1.0f);
    int faded = playSound(&longSound, countCallback, 1.0f, 1.0f);
    EXPECT_EQ(stopSound(stopped), 1);
    EXPECT_EQ(stopSound(stopped), 0);
    EXPECT_EQ(getAvailableChannel(0), 3);  // the stopped channel waits for the pass
    ASSERT_EQ(fadeSound(faded), 1);
    renderPeak();
    updateSoundManager();
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(lastChannel, ended);
    EXPECT_EQ(getSoundChannel(stopped)->state, 0);
    EXPECT_EQ(getSoundChannel(stopped)->priority, -1);
    // The fade falls linearly in decibels, 0.0025 a pass from 0.999, then stops.
    for (int pass = 2; pass <= 400; pass++) {
        updateSoundManager();
        if (pass == 200) {
            EXPECT_NEAR(level(), 0.2366, 0.002);
        }
        EXPECT_EQ(getSoundChannel(faded)->dsbuffer != 0, pass < 400) << pass;
    }
    EXPECT_LT(level(), 1e-4);
    updateSoundManager();
    EXPECT_EQ(getSoundChannel(faded)->state, 0);
    EXPECT_EQ(callbacks, 1);
}

TEST_F(Channels, SquelchSilencesEverythingAndUnsquelchRestoresTheOriginalVolumes) {
    int first = playSound(&longSound, 0.5f, 0.5f);
    squelchAllSounds();
    int second = playSound(&longSound, 1.0f, 1.0f);  // muted from the start
    setSoundVolume(first, 1.0f, 1.0f);                // and every change while muted
    EXPECT_LT(level(), 1e-4);
    unsquelchAllSounds();
    EXPECT_NEAR(level(), 0.2371 + 1.0, 0.003);
    stopSound(second);
    EXPECT_NEAR(level(), 0.2371, 0.002);
}

TEST_F(Channels, BusyChannelsAreTakenOnlyFromBelowTheRequestedPriority) {
    TearDown();
    startWith(2);
    for (int i = 0; i < 2; i++) playSound(&longSound, countCallback, 1.0f, 1.0f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(playSound(&longSound, 1.0f, 1.0f), -1);  // all busy at priority 0
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: getAvailableChannel()\n");
    stopSound(0);
    stopSound(1);
    updateSoundManager();  // cleaned up: priority -1
    for (int i = 0; i < 2; i++) playSound(&longSound, countCallback, 1.0f, 1.0f);
    EXPECT_EQ(playSound(&longSound, 0.5f, 0.5f), 0);
    updateSoundManager();
    EXPECT_EQ(callbacks, 0);
    TearDown();
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadWavFile(&longSound, "any.wav"), 0);  // down: nothing happens, nothing is said
    EXPECT_EQ(playSound(&longSound, 1.0f, 1.0f), 0);
    EXPECT_EQ(stopSound(0) + fadeSound(0) + setSoundVolume(0, 1.0f, 1.0f), 0);
    updateSoundManager();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The program itself: its start document loads an index file and plays a group.
std::string runGame(const std::string &driver) {
    std::string folder = quillmere_makeFolder("audio/data/game");
    writeFile(folder + "/Data/Sounds/beep.wav", flatWav(kRate / 10, 0.5));
    int pid = quillmere_start(folder, {"--headless", "--fixed-step", "--steps", "20"}, {"ALSOFT_DRIVERS=" + driver});
    EXPECT_EQ(quillmere_wait(pid, 60), 0);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    std::filesystem::remove_all(folder);
    return log;
}

TEST(SoundGame, RunsSilentWithoutADeviceSayingSoOnceAndPlaysWithOne) {
    std::string log = runGame("no-such-driver");
    EXPECT_NE(log.find("Error: Unable to create the direct sound object\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("sound"), log.rfind("sound")) << log;  // no other line about sound
    EXPECT_NE(log.find("played -1\n"), std::string::npos) << log;
    log = runGame("null");
    EXPECT_NE(log.find("played 0\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Error: Unable"), std::string::npos) << log;
}

}  // namespace
