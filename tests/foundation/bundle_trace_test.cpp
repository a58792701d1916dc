#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/foundation/bundle.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"

namespace fs = std::filesystem;
using host::NSBundle;

namespace {

class BundleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = NSBundle::mainBundle().resourcePath();
        dir = fs::temp_directory_path() / ("paddock-bundle-" + std::to_string(::getpid()));
        fs::create_directories(dir / "sub");
        std::ofstream(dir / "boing_0.wav") << "x";
        std::ofstream(dir / "DisplayStrings.strings") << "x";
        NSBundle::mainBundle().setResourcePath(dir.string());
    }
    void TearDown() override {
        NSBundle::mainBundle().setResourcePath(saved);
        fs::remove_all(dir);
    }
    std::string saved;
    fs::path dir;
};

TEST_F(BundleTest, FindsResourcesByNameAndTypeOrByWholeName) {
    auto& bundle = NSBundle::mainBundle();
    EXPECT_EQ(bundle.pathForResource("DisplayStrings", "strings"),
              (dir / "DisplayStrings.strings").string());
    EXPECT_EQ(bundle.pathForResource("boing_0.wav", ""), (dir / "boing_0.wav").string());
    EXPECT_FALSE(bundle.pathForResource("boing_3.wav", ""));
    EXPECT_FALSE(bundle.pathForResource("DisplayStrings", "txt"));
}

TEST_F(BundleTest, NeverFindsFoldersOrNamesThatLeaveTheBundle) {
    auto& bundle = NSBundle::mainBundle();
    EXPECT_FALSE(bundle.pathForResource("sub", ""));
    EXPECT_FALSE(bundle.pathForResource("../" + dir.filename().string() + "/boing_0.wav", ""));
    EXPECT_FALSE(bundle.pathForResource("sub/../boing_0.wav", ""));
    EXPECT_FALSE(bundle.pathForResource("", ""));
}

TEST(MainBundle, DefaultsToTheResourcesBesideTheExecutable) {
    // Tests live in <build>/tests, so the bundle is <build>/share/paddock/resources.
    fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(fs::path(NSBundle::mainBundle().resourcePath()),
              exe.parent_path().parent_path() / "share" / "paddock" / "resources");
}

TEST(Trace, WritesOneTimestampedLinePerEventOnlyWhileOpen) {
    host::VirtualClock clock(2.5);
    host::NSRunLoop::mainRunLoop().setClock(&clock);
    fs::path file = fs::temp_directory_path() / ("paddock-trace-" + std::to_string(::getpid()));
    host::Trace::log("ignored", "before open");
    ASSERT_TRUE(host::Trace::open(file.string()));
    host::Trace::log("touch", "began view=PlacardView");
    clock.advanceTo(3.0);
    host::Trace::log("hidden", "EAGLView");
    host::Trace::close();
    host::Trace::log("ignored", "after close");
    host::NSRunLoop::mainRunLoop().setClock(nullptr);

    std::ifstream in(file);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "2.5000 touch began view=PlacardView\n3.0000 hidden EAGLView\n");
    fs::remove(file);
    EXPECT_FALSE(host::Trace::open("/nonexistent-dir/trace.txt"));
}

}  // namespace
