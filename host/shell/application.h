#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/views/window.h"

namespace host {

class UIApplication;

// The application's delegate: it comes from the main interface file with its
// window connected, and builds what the window shows when launching finishes.
class UIApplicationDelegate {
  public:
    virtual ~UIApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(UIApplication* application) = 0;
    virtual std::shared_ptr<UIWindow> window() const = 0;
    virtual void setWindow(std::shared_ptr<UIWindow> window) = 0;
};

// Delegate classes that a main interface file may name, by class name.
class UIApplicationDelegateClassRegistry {
  public:
    using Factory = std::function<std::unique_ptr<UIApplicationDelegate>()>;
    static UIApplicationDelegateClassRegistry& shared();
    void registerClass(const std::string& name, Factory make);
    const Factory* factoryForClass(const std::string& name) const;

  private:
    std::map<std::string, Factory> factories_;
};

// Registers a delegate class as the program starts, from a namespace-scope
// object in the class's own file.
struct UIApplicationDelegateClassRegistration {
    UIApplicationDelegateClassRegistration(const std::string& name,
                                           UIApplicationDelegateClassRegistry::Factory make) {
        UIApplicationDelegateClassRegistry::shared().registerClass(name, std::move(make));
    }
};

// The running application: the one object that owns the delegate.
class UIApplication {
  public:
    // Null outside UIApplicationMain.
    static UIApplication* sharedApplication();
    UIApplicationDelegate* delegate() const { return delegate_.get(); }

  private:
    // The native shell's run and the browser's start both set these.
    friend int runApplication(int, char**, const char*, const char*);
    static UIApplication*& sharedSlot();
    std::unique_ptr<UIApplicationDelegate> delegate_;
};

// Runs the program: reads the shell's options; reads the bundle's property
// list "Info.json", whose "NSMainNibFile" names the main interface file; makes
// the delegate and the window that file holds and connects the window to the
// delegate; tells the delegate launching has finished and runs the main run
// loop, in a window (ApplicationLoop, host/views/application_loop.h) or
// headless (the script runner, host/shell/run_headless.cpp), until the user
// (or the script) quits.
// `delegateClassName`, when given, overrides the file's delegate class; the
// application object's own class is fixed, so `principalClassName` must be
// null or "UIApplication".
// Returns the exit status: 0 done, 1 the run failed (no display, unusable
// start-up files, nothing to show), 2 a bad command line.
int UIApplicationMain(int argc, char** argv, const char* principalClassName,
                      const char* delegateClassName);

}  // namespace host
