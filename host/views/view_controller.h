#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/foundation/bundle.h"
#include "host/geometry/geometry.h"

namespace host {

class UIView;

// What an interface file says about one view, handed to the view class's
// initWithCoder:.
class NSCoder {
  public:
    NSCoder(std::string className, CGRect frame)
        : className_(std::move(className)), frame_(frame) {}
    const std::string& className() const { return className_; }
    // The view's frame in its superview; the file may leave it out (zero).
    // Nothing when the frame cannot be a view's: a negative width or height.
    std::optional<CGRect> decodeFrame() const {
        if (frame_.size.width < 0 || frame_.size.height < 0) return std::nullopt;
        return frame_;
    }

  private:
    std::string className_;
    CGRect frame_;
};

// View classes that interface files may name, by class name. An initWithCoder:
// that fails returns nullptr.
class UIViewClassRegistry {
  public:
    using Factory = std::function<std::shared_ptr<UIView>(const NSCoder&)>;
    static UIViewClassRegistry& shared();
    void registerClass(const std::string& name, Factory initWithCoder);
    const Factory* factoryForClass(const std::string& name) const;

  private:
    UIViewClassRegistry();
    std::map<std::string, Factory> factories_;
};

// Registers a view class as the program starts, from a namespace-scope object
// in the class's own file:
//   static const host::UIViewClassRegistration registration("Name", &Name::initWithCoder);
struct UIViewClassRegistration {
    UIViewClassRegistration(const std::string& name, UIViewClassRegistry::Factory initWithCoder) {
        UIViewClassRegistry::shared().registerClass(name, std::move(initWithCoder));
    }
};

// Owns the view unarchived from an interface file: a JSON file
// "<name>.json" in the bundle holding {"view": {"class": C, "frame": [x, y, w, h]}}.
class UIViewController {
  public:
    static std::shared_ptr<UIViewController> initWithNibName(const std::string& nibName,
                                                             NSBundle* bundle);
    // Loads the interface file on first use. nullptr when the file cannot be
    // used (one line says why) or the view's initWithCoder: fails.
    const std::shared_ptr<UIView>& view();
    const std::string& nibName() const { return nibName_; }

  private:
    UIViewController(std::string nibName, NSBundle* bundle)
        : nibName_(std::move(nibName)), bundle_(bundle) {}
    std::shared_ptr<UIView> loadView();

    std::string nibName_;
    NSBundle* bundle_;
    bool loaded_ = false;
    std::shared_ptr<UIView> view_;
};

}  // namespace host
