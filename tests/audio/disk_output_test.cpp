#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "audio_test_support.h"
#include "host/audio/audio_output.h"
#include "host/audio/system_sound.h"
#include "host/foundation/run_loop.h"

using namespace host;
using namespace std::chrono_literals;

namespace {

// SDL's disk driver: a real device that mixes in real time and writes what
// it mixed to a file (16-bit stereo at the rate the mixer asked for).
class DiskOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(nullptr);
        capture = dir.path() + "/mixed.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        ASSERT_TRUE(AudioOutput::openDevice());
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        ASSERT_FALSE(AudioOutput::isSilent());
    }
    void TearDown() override {
        AudioOutput::close();
        loop.reset();
    }
    // Turns the loop until `done` holds; false after a generous limit that
    // only a broken output reaches.
    bool runUntil(const std::function<bool()>& done) {
        auto limit = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            loop.runDue();
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    void runFor(std::chrono::milliseconds span) {
        auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            loop.runDue();
            std::this_thread::sleep_for(2ms);
        }
    }
    SystemSoundID create(double seconds) {
        SystemSoundID id = 0;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(
                      dir.write("tone.wav", audiotest::toneWav(seconds, 440, 22050, 0.5)), &id),
                  kAudioServicesNoError);
        return id;
    }
    // Closes the output and returns the loudest captured sample, and how
    // many samples there were.
    std::pair<int, std::size_t> loudestCaptured() {
        AudioOutput::close();
        std::ifstream in(capture, std::ios::binary);
        std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
        int loudest = 0;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            int v = std::int16_t(std::uint8_t(raw[i]) | std::uint8_t(raw[i + 1]) << 8);
            loudest = std::max(loudest, std::abs(v));
        }
        return {loudest, raw.size() / 2};
    }

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    audiotest::TempDir dir;
    std::string capture;
};

struct Completions {
    std::vector<std::thread::id> threads;
    static void proc(SystemSoundID, void* self) {
        static_cast<Completions*>(self)->threads.push_back(std::this_thread::get_id());
    }
};

TEST_F(DiskOutputTest, CapturedOutputIsSilentWithoutAPlay) {
    create(0.2);
    runFor(150ms);
    auto [loudest, samples] = loudestCaptured();
    EXPECT_GT(samples, 0u) << "the device ran";
    EXPECT_EQ(loudest, 0);
}

TEST_F(DiskOutputTest, CapturedOutputCarriesAPlayedSound) {
    SystemSoundID id = create(0.1);
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    ASSERT_TRUE(runUntil([&] { return done.threads.size() == 1; }));
    auto [loudest, samples] = loudestCaptured();
    // The tone's peak is half of full scale; the mixer passes it unchanged.
    EXPECT_GT(loudest, 16383 * 9 / 10);
    EXPECT_LE(loudest, 16383 * 11 / 10);
    EXPECT_GT(samples, 0u);
}

TEST_F(DiskOutputTest, CompletionsArriveOnTheMainLoopThreadOncePerPlayback) {
    SystemSoundID id = create(0.3);
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(id);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 2);
    ASSERT_TRUE(runUntil([&] { return done.threads.size() >= 2; }));
    runFor(150ms);
    ASSERT_EQ(done.threads.size(), 2u);
    for (auto thread : done.threads) EXPECT_EQ(thread, std::this_thread::get_id());
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
}

TEST_F(DiskOutputTest, DisposeStopsAPlayingSoundAndNoCompletionFollows) {
    SystemSoundID id = create(1.0);
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    runFor(30ms);
    ASSERT_EQ(AudioOutput::activePlaybacks(), 1);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
    // Past the sound's whole length.
    runFor(1200ms);
    EXPECT_TRUE(done.threads.empty());
}

TEST_F(DiskOutputTest, PlaysBeyondTheChannelsAreSkippedButStillComplete) {
    SystemSoundID id = create(0.5);
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    const int plays = AudioOutput::kChannelCount + 6;
    audiotest::StdoutCapture out;
    for (int i = 0; i < plays; ++i) AudioServicesPlaySystemSound(id);
    EXPECT_EQ(out.text(), "All 64 sound channels are busy: a sound was skipped\n");
    EXPECT_EQ(AudioOutput::activePlaybacks(), AudioOutput::kChannelCount);
    ASSERT_TRUE(runUntil([&] { return int(done.threads.size()) == plays; }));
}

}  // namespace
