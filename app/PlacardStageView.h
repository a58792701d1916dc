#pragma once

#include <memory>

#include "host/views/view.h"
#include "placard/PlacardView.h"

// Interim stage: the placard centred on a screen-sized view, dragged by any
// touch that begins on it; a double tap beside it shows the next line.
class PlacardStageView : public host::UIView {
    struct Token {};

  public:
    static std::shared_ptr<PlacardStageView> init(const host::CGRect& frame);
    PlacardStageView(Token, const host::CGRect& frame) : UIView(frame) {}

    void touchesBegan(const host::NSSet<host::UITouch>& touches, host::UIEvent* event) override;
    void touchesMoved(const host::NSSet<host::UITouch>& touches, host::UIEvent* event) override;

    // Nothing when the placard's picture could not be loaded.
    const std::shared_ptr<PlacardView>& placardView() const { return placardView_; }

  private:
    std::shared_ptr<PlacardView> placardView_;
};
