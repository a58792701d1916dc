#include "host/views/view.h"

namespace host {

void UIView::touchesBegan(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesBegan(touches, event);
}
void UIView::touchesMoved(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesMoved(touches, event);
}
void UIView::touchesEnded(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesEnded(touches, event);
}
void UIView::touchesCancelled(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesCancelled(touches, event);
}

}  // namespace host
