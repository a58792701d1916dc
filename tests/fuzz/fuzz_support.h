#pragma once

// What the fuzz targets share: a named invariant check, and a private folder
// for targets whose code under test reads files.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// Stops the run with the broken invariant named; libFuzzer keeps the input.
#define FUZZ_EXPECT(condition) \
    ((condition) ? (void)0 : fuzz::invariantBroken(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void invariantBroken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The process's own fresh folder under $TMPDIR (or /tmp), removed when the
// process ends normally. tools/fuzz.sh points TMPDIR into a scratch folder
// that it removes, so even a crashed run leaves nothing behind.
class Folder {
  public:
    static const Folder& get() {
        static const Folder folder;
        return folder;
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
        FUZZ_EXPECT(out.write(bytes.data(), std::streamsize(bytes.size())).flush());
    }
    void remove(const std::string& name) const { std::remove(file(name).c_str()); }

  private:
    Folder() {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base && *base ? base : "/tmp") + "/paddock-fuzz-XXXXXX";
        FUZZ_EXPECT(::mkdtemp(path_.data()));
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path_;
};

}  // namespace fuzz
