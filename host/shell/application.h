#pragma once

#include <functional>
#include <memory>

#include "host/views/window.h"

namespace host {

class UIApplication;

// The application's delegate: it is handed the window before launching
// finishes, and builds what the window shows when it does.
class UIApplicationDelegate {
  public:
    virtual ~UIApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(UIApplication* application) = 0;
    virtual std::shared_ptr<UIWindow> window() const = 0;
    virtual void setWindow(std::shared_ptr<UIWindow> window) = 0;
};

// The running application: the one object that owns the delegate.
class UIApplication {
  public:
    // Null outside UIApplicationMain.
    static UIApplication* sharedApplication();
    UIApplicationDelegate* delegate() const { return delegate_.get(); }

  private:
    friend int UIApplicationMain(int, char**,
                                 const std::function<std::unique_ptr<UIApplicationDelegate>()>&);
    std::unique_ptr<UIApplicationDelegate> delegate_;
};

// Runs the program: reads the shell's options, makes the delegate, gives it a
// screen-sized window, tells it launching has finished and runs the main run
// loop, in a window or headless, until the user (or the script) quits.
// Returns the exit status: 0 done, 1 the run failed, 2 a bad command line.
int UIApplicationMain(int argc, char** argv,
                      const std::function<std::unique_ptr<UIApplicationDelegate>()>& makeDelegate);

}  // namespace host
