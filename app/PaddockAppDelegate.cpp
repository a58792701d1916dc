#include "app/PaddockAppDelegate.h"

#include "host/foundation/bundle.h"

using namespace host;

static const UIApplicationDelegateClassRegistration registration(
    "PaddockAppDelegate", [] { return std::make_unique<PaddockAppDelegate>(); });

PaddockAppDelegate::~PaddockAppDelegate() {
    viewController_.reset();
    window_.reset();
}

void PaddockAppDelegate::applicationDidFinishLaunching(UIApplication*) {
    setViewController(UIViewController::initWithNibName("PaddockView", &NSBundle::mainBundle()));
    // Loading the interface file unarchives the stage, which builds the rest.
    std::shared_ptr<UIView> stage = viewController_->view();
    if (!window_) return;
    window_->addSubview(stage);
    window_->makeKeyAndVisible();
}
