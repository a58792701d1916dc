#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/views/ui_image.h"
#include "host/views/view.h"

// The placard: the picture "cow.png" with one line of text over it, the
// current display string, taken in turn from the bundle's "DisplayStrings"
// list. The text is shrunk to fit the width and drawn white over a thin black
// shadow, centred 90 points above the middle.
class PlacardView : public host::UIView {
    struct Token {};

  public:
    // Nothing when the picture cannot be loaded.
    static std::shared_ptr<PlacardView> init();
    PlacardView(Token, const host::CGRect& frame);
    ~PlacardView() override;

    // Shows the display string at the index, advances the index (wrapping to
    // the first after the last), fits the string and asks for a redraw.
    void setupNextDisplayString();
    void drawRect(const host::CGRect& rect) override;

    const std::shared_ptr<host::UIImage>& placardImage() const { return placardImage_; }
    void setPlacardImage(std::shared_ptr<host::UIImage> image) { placardImage_ = std::move(image); }
    // Nothing when there are no display strings.
    const std::optional<std::string>& currentDisplayString() const { return currentDisplayString_; }
    void setCurrentDisplayString(std::optional<std::string> string) {
        currentDisplayString_ = std::move(string);
    }
    // Nothing when the list is missing or unreadable.
    const std::optional<std::vector<std::string>>& displayStrings() const {
        return displayStrings_;
    }
    void setDisplayStrings(std::optional<std::vector<std::string>> strings) {
        displayStrings_ = std::move(strings);
    }

    float fontSize() const { return fontSize_; }
    host::CGSize textSize() const { return textSize_; }
    uint32_t displayStringsIndex() const { return displayStringsIndex_; }

  private:
    std::shared_ptr<host::UIImage> placardImage_;
    std::optional<std::string> currentDisplayString_;
    float fontSize_ = 0;
    host::CGSize textSize_;
    std::optional<std::vector<std::string>> displayStrings_;
    uint32_t displayStringsIndex_ = 0;
};
