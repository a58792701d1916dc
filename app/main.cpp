#include "host/shell/application.h"

int main(int argc, char** argv) {
    // The application class, the delegate and its window all come from the
    // bundle's main interface file.
    return host::UIApplicationMain(argc, argv, nullptr, nullptr);
}
