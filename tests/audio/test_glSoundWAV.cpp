// WAV loading: every real file of the conformance set, files written by sox,
// and hand-made files that reach each failure of the chunk reader. A file
// either loads or is rejected with its exact message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "audio/glSound.h"
#include "soundTestSupport.h"

using namespace soundTest;
namespace fs = std::filesystem;

namespace {

const std::string kBadFormat = "Error: directSoundObject->CreateSoundBuffer(-2005401500)\nDSERR_BADFORMAT \n";
const std::string kNoFrames = "Error: directSoundObject->CreateSoundBuffer(-2147024809)\nDSERR_INVALIDPARAM \n";
std::string tagError(int tag) { return "Error: wfmtx.wFormatTag != WAVE_FORMAT_PCM (" + std::to_string(tag) + ")\n"; }

class WavLoading : public ::testing::Test {
protected:
    soundRef sound{};
    void SetUp() override { ASSERT_EQ(initLoopbackSoundManager(4, kRate), 1); }
    void TearDown() override {
        releaseSound(&sound);
        destroySoundManager();
    }
    // Loads the file; returns what was logged ("" when it loaded).
    std::string load(const std::string &path) {
        releaseSound(&sound);
        sound = soundRef{};
        testing::internal::CaptureStderr();
        int loaded = loadWavFile(&sound, path.c_str());
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(loaded, log.empty()) << path << ": " << log;
        EXPECT_EQ(sound.dsbuffer != 0, loaded == 1) << path;
        return log;
    }
    std::string loadBytes(const std::string &bytes) {
        return load(writeFile(::testing::TempDir() + "quillmere_case.wav", bytes));
    }
};

TEST_F(WavLoading, EveryConformanceFileLoadsOrIsRejectedWithItsMessage) {
    // PCM 8/16-bit files load; other encodings are refused by tag; sample
    // widths no buffer takes are refused by the buffer; broken files by the reader.
    const std::map<std::string, std::string> expected = {
        {"16bit-8kHz-1c-reaper-region.wav", ""},
        {"16bit-8kHz-1c-reaper-utf8cue.wav", ""},
        {"4bit-imaadpcm-8kHz-noBext-mono.wav", tagError(17)},
        {"8bit-16kHz-bext-mono.wav", ""},
        {"8bit-alaw-8kHz-noBext-mono-encoded.wav", tagError(6)},
        {"Audacity-16bit.wav", ""},
        {"M1F1-int12WE-AFsp.wav", tagError(65534)},
        {"crash-e879de4eb4d206c59e21f0e01def16457af80fdc.wav", "Error: mmioDescend(fmt )\n"},
        {"nonstandard-01.wav", kBadFormat},
        {"pcmwaveformat-16bit-44100Hz-mono-extra.wav", ""},
        {"pcmwaveformat-16bit-44100Hz-mono.wav", ""},
        {"pcmwaveformat-8bit-44100Hz-mono.wav", ""},
        {"pop.wav", tagError(65534)},
        {"pro_tools_bext.wav", kBadFormat},
        {"test-1234Hz-le-1ch-10S-20bit-extra.wav", kBadFormat},
        {"test-44100Hz-2ch-32bit-float-le.wav", tagError(3)},
        {"test-44100Hz-le-1ch-4bytes-early-eof-no-data.wav", tagError(65534)},
        {"test-44100Hz-le-1ch-4bytes-early-eof.wav", tagError(65534)},
        {"test-44100Hz-le-1ch-4bytes-incomplete-chunk.wav", "Error: mmioDescend(fmt )\n"},
        {"test-8000Hz-be-3ch-5S-24bit.wav", "Error: mmioDescend(wave)\n"},
        {"test-8000Hz-le-1ch-1byte-ulaw.wav", tagError(7)},
        {"test-8000Hz-le-2ch-1byteu.wav", ""},
        {"test-8000Hz-le-3ch-5S-24bit-rf64.wav", "Error: mmioDescend(wave)\n"},
        {"test-8000Hz-le-3ch-5S-24bit.wav", kBadFormat},
        {"wav_agent_bext.wav", ""},
        {"waveformatex-16bit-44100Hz-stereo.wav", ""},
        {"waveformatex-8bit-11025Hz-mono.wav", ""},
        {"waveformatex-ieeefloat-44100Hz-mono.wav", tagError(3)},
        {"waveformatextensible-32bit-48kHz-stereo.wav", tagError(65534)},
        {"waveformatextensible-ieeefloat-44100Hz-mono.wav", tagError(65534)},
    };
    fs::path folder = fs::path(QUILLMERE_CONFORMANCE_DIR) / "wav";
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    size_t seen = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << "no expectation for " << name;
            continue;
        }
        seen++;
        EXPECT_EQ(load(entry.path().string()), it->second) << name;
        if (name == "8bit-16kHz-bext-mono.wav") {  // odd-sized data after bext and junk
            EXPECT_EQ(sound.rate, 16000);
            EXPECT_EQ(sound.size, 219429);
        }
        if (name == "waveformatex-8bit-11025Hz-mono.wav") {  // RIFF size overstated
            EXPECT_EQ(sound.rate, 11025);
            EXPECT_EQ(sound.size, 4);
        }
        if (name == "16bit-8kHz-1c-reaper-region.wav") {
            EXPECT_EQ(sound.size, 96000);
        }
    }
    EXPECT_EQ(seen, expected.size());
}

TEST_F(WavLoading, HandMadeFilesReachEveryFailureAndSkipChunksWithTheirPadding) {
    const std::string pcm16 = chunk("fmt ", fmtBody(1, 1, kRate, 16));
    const std::string samples = chunk("data", flat16(100, 0.5));
    const struct {
        std::string bytes, message;
    } cases[] = {
        {"", "Error: mmioDescend(wave)\n"},
        {riff(pcm16 + samples, "AVI "), "Error: mmioDescend(wave)\n"},
        {riff(samples), "Error: mmioDescend(fmt )\n"},
        // A chunk of odd size without its pad byte puts the next out of step.
        {riff("JUNK" + le32(3) + "odd" + pcm16 + samples), "Error: mmioDescend(fmt )\n"},
        {riff(samples + pcm16), "Error: mmioDescend(data)\n"},  // data is looked for after "fmt "
        {riff(chunk("fmt ", fmtBody(1, 1, kRate, 16).substr(0, 14)) + samples), "Error: mmioRead()\n"},
        // The file ends inside a 40-byte "fmt ": 18 bytes read, nothing to ascend past.
        {riff(chunk("fmt ", fmtBody(1, 1, kRate, 16, 40)) + samples).substr(0, 40), "Error: mmioAscend()\n"},
        {riff(chunk("fmt ", fmtBody(2, 1, kRate, 16, 18)) + samples), tagError(2)},
        {riff(chunk("fmt ", fmtBody(1, 1, kRate, 24)) + samples), kBadFormat},
        {riff(chunk("fmt ", fmtBody(1, 3, kRate, 16)) + samples), kBadFormat},
        {riff(chunk("fmt ", fmtBody(1, 1, 0, 16)) + samples), kBadFormat},
        {riff(pcm16 + chunk("data", "x")), kNoFrames},  // less than one frame
        // Odd chunks with pad bytes before, between and after; an odd "fmt " too.
        {riff(chunk("JUNK", "odd") + chunk("fmt ", fmtBody(1, 2, 8000, 8, 17)) + chunk("LIST", "INFOx") +
              chunk("data", "abcdef") + chunk("id3 ", "x")),
         ""},
        // A chunk before RIFF, a RIFF size that overstates, data cut short.
        {chunk("JUNK", "1234") + riff(pcm16 + chunk("data", std::string(400, 'a'))).substr(0, 12 + 24 + 8 + 101), ""},
    };
    EXPECT_EQ(load("no such file.wav"), "Error: mmioOpen()\n");
    for (const auto &c : cases) EXPECT_EQ(loadBytes(c.bytes), c.message) << c.bytes;
    EXPECT_EQ(sound.size, 100);  // the whole frames present
    EXPECT_EQ(sound.rate, kRate);
}

TEST_F(WavLoading, FilesWrittenBySoxLoadOrAreRejected) {
    if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed (scripts/install-deps.sh)";
    struct soxCase {
        const char *options;
        std::string message;
    };
    const soxCase cases[] = {
        {"-r 8000 -b 8 -c 2", ""},
        {"-r 11025 -e unsigned -b 8 -c 1", ""},
        {"-r 8000 -b 24 -c 1", tagError(65534)},  // sox writes wider samples as extensible
        {"-r 8000 -e a-law", tagError(6)},
        {"-r 8000 -e floating-point -b 32", tagError(3)},
        {"-r 8000 -e ima-adpcm", tagError(17)},
        {"-r 22050 -b 16 -c 1", ""},  // 16-byte "fmt "; played below
    };
    std::string path = ::testing::TempDir() + "quillmere_sox.wav";
    for (const soxCase &c : cases) {
        fs::remove(path);
        std::string command = std::string("sox -n ") + c.options + " '" + path + "' synth 0.2 sine 441 vol 0.5";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(load(path), c.message) << c.options;
    }
    // A loaded sox sine sounds at its own level.
    EXPECT_GE(playSound(&sound, 1.0f, 1.0f), 0);
    EXPECT_NEAR(renderPeak(1024), 0.5, 0.01);
}

}  // namespace
