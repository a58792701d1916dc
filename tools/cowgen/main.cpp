// cowgen DIR: models the cow and writes its part units into DIR. The output
// depends on nothing but this program, so running it again reproduces the
// committed units byte for byte.
#include <cstdio>
#include <exception>
#include <iostream>

#include "cow.h"
#include "emit.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cowgen DIR\n");
        return 2;
    }
    try {
        std::vector<cowgen::Part> parts = cowgen::buildCow(std::cout);
        return cowgen::writeUnits(parts, argv[1]) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cowgen: %s\n", e.what());
        return 1;
    }
}
