#include <memory>

#include "app/PaddockAppDelegate.h"
#include "host/shell/application.h"

int main(int argc, char** argv) {
    return host::UIApplicationMain(argc, argv,
                                   [] { return std::make_unique<PaddockAppDelegate>(); });
}
