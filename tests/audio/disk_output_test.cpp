#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio_test_support.h"

using namespace host;
using namespace std::chrono_literals;

namespace {

// SDL's disk driver: a real device that mixes in real time on its own thread
// and writes what it mixed to a file (16-bit stereo at 44.1 kHz).
class DiskOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(nullptr);
        open();
    }
    void TearDown() override {
        AudioOutput::close();
        loop.reset();
    }
    void open() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", dir.file("mixed.raw").c_str(), 1);
        ASSERT_TRUE(AudioOutput::openDevice());
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }
    // Turns the loop until `completions` holds `count` (false when 10 s pass
    // first), or for `span` when `count` is negative.
    bool runUntil(int count, std::chrono::milliseconds span = 10s) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (int(completions.size()) != count) {
            if (std::chrono::steady_clock::now() > end) return false;
            loop.runDue();
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    SystemSoundID create(double seconds) {
        SystemSoundID id = 0;
        AudioServicesCreateSystemSoundID(dir.write("tone.wav", audiotest::toneWav(seconds)), &id);
        AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, proc, this);
        return id;
    }
    static void proc(SystemSoundID id, void* self) {
        static_cast<DiskOutputTest*>(self)->completions.push_back(id);
        static_cast<DiskOutputTest*>(self)->threads.push_back(std::this_thread::get_id());
    }
    // Closes the output and returns the loudest sample it captured; `loud`
    // counts the samples above a tenth of that.
    int loudestCaptured(int* loud = nullptr) {
        AudioOutput::close();
        const std::string raw = testsupport::readFile(dir.file("mixed.raw"));
        EXPECT_GT(raw.size(), 0u) << "the device ran";
        std::vector<int> samples;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
            samples.push_back(std::abs(int(std::int16_t((raw[i] & 0xFF) | raw[i + 1] << 8))));
        const int loudest = samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
        if (loud)
            *loud = int(std::count_if(samples.begin(), samples.end(),
                                      [&](int v) { return v > loudest / 10; }));
        return loudest;
    }

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    testsupport::TempDir dir;
    std::vector<SystemSoundID> completions;
    std::vector<std::thread::id> threads;
};

TEST_F(DiskOutputTest, CapturedOutputIsSilentWithoutAPlayAndCarriesAPlayedSound) {
    create(0.2);
    runUntil(-1, 150ms);
    EXPECT_EQ(loudestCaptured(), 0);
    open();
    AudioServicesPlaySystemSound(create(0.1));
    ASSERT_TRUE(runUntil(1));
    // The tone's peak is half of full scale; sounds mix at half level. It
    // lasts its 0.1 s at the device's rate: nine tenths of its samples are
    // above a tenth of the peak.
    int loud = 0, loudest = loudestCaptured(&loud);
    EXPECT_NEAR(loudest, 8191, 820);
    EXPECT_NEAR(loud, 0.1 * 44100 * 2 * 0.94, 0.1 * 44100 * 2 * 0.1);
    // Two sounds at once add up, unclipped.
    open();
    SystemSoundID tone = create(0.2);
    AudioServicesPlaySystemSound(tone);
    AudioServicesPlaySystemSound(tone);
    ASSERT_TRUE(runUntil(3));
    EXPECT_NEAR(loudestCaptured(), 16383, 1640);
}

// Playbacks end on the mixer's thread; their completions still come on the
// main loop, and the mixer's channels are the limit.
TEST_F(DiskOutputTest, EachPlaybackCompletesOnceOnTheMainLoopEvenBeyondTheChannels) {
    SystemSoundID often = create(0.3), disposed = create(1.0), twin = 0;
    // Made from the same file, so sharing its samples with `disposed`.
    AudioServicesCreateSystemSoundID(dir.file("tone.wav"), &twin);
    AudioServicesAddSystemSoundCompletion(twin, nullptr, nullptr, proc, this);
    AudioServicesPlaySystemSound(twin);
    AudioServicesPlaySystemSound(disposed);
    const int plays = AudioOutput::kChannelCount + 5;
    testsupport::StderrCapture out;
    for (int i = 0; i < plays; ++i) AudioServicesPlaySystemSound(often);
    EXPECT_EQ(AudioOutput::activePlaybacks(), AudioOutput::kChannelCount);
    runUntil(-1, 30ms);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(disposed), kAudioServicesNoError);
    EXPECT_EQ(AudioOutput::activePlaybacks(), AudioOutput::kChannelCount - 1);
    runUntil(-1, 1200ms);  // past every sound's whole length
    std::vector<SystemSoundID> expected(plays, often);
    expected.push_back(twin);  // a second after the shorter sound
    EXPECT_EQ(completions, expected);
    for (auto thread : threads) EXPECT_EQ(thread, std::this_thread::get_id());
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
}

}  // namespace
