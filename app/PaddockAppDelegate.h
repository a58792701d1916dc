#pragma once

#include <memory>

#include "host/shell/application.h"
#include "host/views/view_controller.h"

// The application's delegate. It comes from the main interface file with its
// window connected; when launching has finished it loads the stage from the
// interface file "PaddockView" and puts it in the window.
class PaddockAppDelegate : public host::UIApplicationDelegate {
  public:
    ~PaddockAppDelegate() override;
    void applicationDidFinishLaunching(host::UIApplication* application) override;

    std::shared_ptr<host::UIWindow> window() const override { return window_; }
    void setWindow(std::shared_ptr<host::UIWindow> window) override { window_ = std::move(window); }
    const std::shared_ptr<host::UIViewController>& viewController() const {
        return viewController_;
    }
    void setViewController(std::shared_ptr<host::UIViewController> viewController) {
        viewController_ = std::move(viewController);
    }

  private:
    std::shared_ptr<host::UIWindow> window_;
    std::shared_ptr<host::UIViewController> viewController_;
};
