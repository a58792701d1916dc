#include "host/views/view_controller.h"

#include <cmath>
#include <cstdio>

#include "host/foundation/json_file.h"
#include "host/foundation/messages.h"
#include "host/foundation/strings.h"
#include "host/views/view.h"

namespace host {

UIViewClassRegistry::UIViewClassRegistry() {
    registerClass("UIView", [](const NSCoder& coder) -> std::shared_ptr<UIView> {
        auto frame = coder.decodeFrame();
        return frame ? std::make_shared<UIView>(*frame) : nullptr;
    });
}

UIViewClassRegistry& UIViewClassRegistry::shared() {
    static UIViewClassRegistry registry;
    return registry;
}

void UIViewClassRegistry::registerClass(const std::string& name, Factory initWithCoder) {
    factories_[name] = std::move(initWithCoder);
}

const UIViewClassRegistry::Factory* UIViewClassRegistry::factoryForClass(
    const std::string& name) const {
    auto it = factories_.find(name);
    return it == factories_.end() ? nullptr : &it->second;
}

std::shared_ptr<UIViewController> UIViewController::initWithNibName(const std::string& nibName,
                                                                    NSBundle* bundle) {
    return std::shared_ptr<UIViewController>(
        new UIViewController(nibName, bundle ? bundle : &NSBundle::mainBundle()));
}

const std::shared_ptr<UIView>& UIViewController::view() {
    if (!loaded_) {
        loaded_ = true;
        view_ = loadView();
    }
    return view_;
}

namespace {

bool finiteNumbers(const JSONValue& frame) {
    if (!frame.isArray() || frame.size() != 4) return false;
    for (const auto& n : frame)
        if (!n.isNumeric() || !std::isfinite(n.asDouble()) || std::fabs(n.asDouble()) > 1e5)
            return false;
    return true;
}

}  // namespace

std::shared_ptr<UIView> UIViewController::loadView() {
    auto path = bundle_->pathForResource(nibName_, "json");
    if (!path) {
        say(messages::kInterfaceFileMissing, nibName_.c_str(), bundle_->resourcePath().c_str());
        return nullptr;
    }
    auto fail = [&](const std::string& why) {
        say(messages::kInterfaceFileUnusable, path->c_str(), why.c_str());
        return nullptr;
    };
    JSONValue file;
    std::string why;
    if (!readJSONFile(*path, file, why)) return fail(why);
    const JSONValue* view = memberOf(file, "view");
    if (!view || !view->isObject()) return fail("it holds no \"view\" object");
    const auto classMember = stringMemberOf(*view, "class");
    if (!classMember) return fail("the view names no class");
    const std::string& className = *classMember;
    const auto* factory = UIViewClassRegistry::shared().factoryForClass(className);
    if (!factory) return fail("the view class " + quotedForMessage(className) + " is unknown");
    CGRect frame{};
    if (const JSONValue* f = memberOf(*view, "frame")) {
        if (!finiteNumbers(*f)) return fail("the frame is not four numbers [x, y, width, height]");
        frame =
            CGRectMake((*f)[0].asFloat(), (*f)[1].asFloat(), (*f)[2].asFloat(), (*f)[3].asFloat());
    }
    auto made = (*factory)(NSCoder(className, frame));
    if (!made)
        return fail("a view of class " + quotedForMessage(className) + " cannot be made from it");
    return made;
}

}  // namespace host
