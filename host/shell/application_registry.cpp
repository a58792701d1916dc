// The application object and the delegate classes, shared by the native
// shell and the browser's.
#include "host/shell/application.h"

namespace host {

UIApplication*& UIApplication::sharedSlot() {
    static UIApplication* application = nullptr;
    return application;
}

UIApplication* UIApplication::sharedApplication() { return sharedSlot(); }

UIApplicationDelegateClassRegistry& UIApplicationDelegateClassRegistry::shared() {
    static UIApplicationDelegateClassRegistry registry;
    return registry;
}

void UIApplicationDelegateClassRegistry::registerClass(const std::string& name, Factory make) {
    factories_[name] = std::move(make);
}

const UIApplicationDelegateClassRegistry::Factory*
UIApplicationDelegateClassRegistry::factoryForClass(const std::string& name) const {
    auto it = factories_.find(name);
    return it == factories_.end() ? nullptr : &it->second;
}

}  // namespace host
