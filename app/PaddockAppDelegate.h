#pragma once

#include <memory>

#include "host/shell/application.h"

// Interim: puts a placard stage in the window, so the window, input and
// drawing can be used end to end before the real stage and its interface
// file exist.
class PaddockAppDelegate : public host::UIApplicationDelegate {
  public:
    ~PaddockAppDelegate() override;
    void applicationDidFinishLaunching(host::UIApplication* application) override;
    std::shared_ptr<host::UIWindow> window() const override { return window_; }
    void setWindow(std::shared_ptr<host::UIWindow> window) override { window_ = std::move(window); }

  private:
    std::shared_ptr<host::UIWindow> window_;
};
