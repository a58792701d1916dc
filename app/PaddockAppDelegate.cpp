#include "app/PaddockAppDelegate.h"

#include "app/PlacardStageView.h"
#include "host/views/screen.h"

PaddockAppDelegate::~PaddockAppDelegate() { window_.reset(); }

void PaddockAppDelegate::applicationDidFinishLaunching(host::UIApplication*) {
    if (!window_) return;
    window_->addSubview(PlacardStageView::init(host::UIScreen::mainScreen().bounds()));
    window_->makeKeyAndVisible();
}
