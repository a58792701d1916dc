#include "placard/PlacardView.h"

#include "host/foundation/bundle.h"
#include "host/foundation/strings.h"
#include "host/views/color.h"
#include "host/views/font.h"
#include "host/views/string_drawing.h"

using namespace host;

std::shared_ptr<PlacardView> PlacardView::init() {
    std::shared_ptr<UIImage> image = UIImage::imageNamed("cow.png");
    // Without its picture there is no placard (imageNamed has said why).
    if (!image) return nullptr;
    CGSize size = image->size();
    auto placard =
        std::make_shared<PlacardView>(Token{}, CGRectMake(0, 0, size.width, size.height));
    placard->setOpaque(false);
    placard->setPlacardImage(std::move(image));

    // A missing or unreadable list leaves the placard without strings: image only.
    std::optional<std::vector<std::string>> strings;
    if (auto path = NSBundle::mainBundle().pathForResource("DisplayStrings", "strings"))
        if (auto text = stringWithContentsOfFile(*path, NSUTF16BigEndianStringEncoding))
            strings = componentsSeparatedByString(*text, "\n");
    placard->setDisplayStrings(std::move(strings));

    placard->displayStringsIndex_ = 0;
    placard->setupNextDisplayString();
    return placard;
}

PlacardView::PlacardView(Token, const CGRect& frame) : UIView(frame) {}

PlacardView::~PlacardView() {
    placardImage_.reset();
    currentDisplayString_.reset();
    displayStrings_.reset();
}

void PlacardView::setupNextDisplayString() {
    const size_t count = displayStrings_ ? displayStrings_->size() : 0;
    std::optional<std::string> next;
    if (displayStringsIndex_ < count) next = (*displayStrings_)[displayStringsIndex_];
    setCurrentDisplayString(std::move(next));

    displayStringsIndex_ += 1;
    if (displayStringsIndex_ >= count) displayStringsIndex_ = 0;

    std::shared_ptr<UIFont> font = UIFont::systemFontOfSize(16.0f);
    float width = bounds().size.width - 20.0f;
    // With no string the size is zero and the font size stays as it was.
    if (currentDisplayString_)
        textSize_ = sizeWithFont(*currentDisplayString_, *font, 9.0f, &fontSize_, width,
                                 UILineBreakModeMiddleTruncation);
    else
        textSize_ = CGSizeMake(0, 0);
    setNeedsDisplay();
}

void PlacardView::drawRect(const CGRect&) {
    if (placardImage_) placardImage_->drawAtPoint(CGPointMake(0, 0));

    const CGSize b = bounds().size;
    const float x = 0.5f * b.width + (-0.5f * textSize_.width);
    const float y = 0.5f * b.height + (-0.5f * textSize_.height);
    std::shared_ptr<UIFont> font = UIFont::systemFontOfSize(fontSize_);
    if (!currentDisplayString_) return;

    // The shadow's offset is worked in double and narrowed, the text's in single.
    UIColor::blackColor()->set();
    const float shadowY = static_cast<float>(static_cast<double>(y) + 0.5 - 90.0);
    drawAtPoint(*currentDisplayString_, CGPointMake(x, shadowY), b.width - 20.0f, *font, fontSize_,
                UILineBreakModeMiddleTruncation, UIBaselineAdjustmentAlignBaselines);

    UIColor::whiteColor()->set();
    drawAtPoint(*currentDisplayString_, CGPointMake(x, y - 90.0f), b.width - 20.0f, *font,
                fontSize_, UILineBreakModeMiddleTruncation, UIBaselineAdjustmentAlignBaselines);
}
