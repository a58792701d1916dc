// Writes the toy's six sounds: soundgen [folder] (resources/ by default).
#include <cstdio>
#include <string>

#include "tools/soundgen/soundgen.h"

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: soundgen [folder]\n");
        return 2;
    }
    std::string folder = argc == 2 ? argv[1] : "resources";
    for (const auto& file : soundgen::allSounds()) {
        std::string path = folder + "/" + file.name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size() ||
            std::fclose(f) != 0) {
            std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.c_str(), file.bytes.size());
    }
    return 0;
}
