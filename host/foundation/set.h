#pragma once

// An unordered collection of shared objects, each held once (the set of
// touches handed to the touch handlers).

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

namespace host {

template <class T>
class NSSet {
  public:
    NSSet() = default;
    NSSet(std::initializer_list<std::shared_ptr<T>> objects) {
        for (auto& o : objects) addObject(o);
    }

    // Some member, or nullptr when the set is empty.
    T* anyObject() const { return objects_.empty() ? nullptr : objects_.front().get(); }
    std::size_t count() const { return objects_.size(); }
    bool containsObject(const T* object) const {
        return std::any_of(objects_.begin(), objects_.end(),
                           [object](const auto& o) { return o.get() == object; });
    }
    void addObject(std::shared_ptr<T> object) {
        if (object && !containsObject(object.get())) objects_.push_back(std::move(object));
    }
    void removeObject(const T* object) {
        std::erase_if(objects_, [object](const auto& o) { return o.get() == object; });
    }

    auto begin() const { return objects_.begin(); }
    auto end() const { return objects_.end(); }

  private:
    std::vector<std::shared_ptr<T>> objects_;
};

}  // namespace host
