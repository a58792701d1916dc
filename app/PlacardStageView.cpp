#include "app/PlacardStageView.h"

#include "host/views/touch.h"

using namespace host;

std::shared_ptr<PlacardStageView> PlacardStageView::init(const CGRect& frame) {
    auto stage = std::make_shared<PlacardStageView>(Token{}, frame);
    stage->placardView_ = PlacardView::init();
    if (stage->placardView_) {
        stage->placardView_->setCenter(stage->center());
        stage->addSubview(stage->placardView_);
    }
    return stage;
}

void PlacardStageView::touchesBegan(const NSSet<UITouch>& touches, UIEvent*) {
    UITouch* touch = touches.anyObject();
    if (!touch || !placardView_) return;
    if (touch->view() != placardView_.get() && touch->tapCount() == 2)
        placardView_->setupNextDisplayString();
}

void PlacardStageView::touchesMoved(const NSSet<UITouch>& touches, UIEvent*) {
    UITouch* touch = touches.anyObject();
    if (touch && placardView_ && touch->view() == placardView_.get())
        placardView_->setCenter(touch->locationInView(this));
}
