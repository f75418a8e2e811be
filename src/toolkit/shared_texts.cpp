#include "toolkit/shared_texts.h"

#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "toolkit/attribute_values.h"

namespace nimbrook::toolkit {
namespace {

// The sets outlive every control, static ones included, so they are never destroyed. Node-based
// containers: an element's address survives later insertions.
struct Sets {
  std::mutex lock;   // windows of one program may be built on different threads
  const std::wstring empty;
  std::unordered_set<std::wstring> names;
  std::unordered_map<std::wstring, SharedImage> images;
};

Sets& TheSets() {
  static Sets* sets = new Sets;
  return *sets;
}

}  // namespace

const std::wstring& SharedName(const std::wstring& name) {
  Sets& sets = TheSets();
  if (name.empty()) return sets.empty;
  std::lock_guard<std::mutex> hold(sets.lock);
  return *sets.names.insert(name).first;
}

const SharedImage* SharedImageFor(const std::wstring& text) {
  Sets& sets = TheSets();
  {
    std::lock_guard<std::mutex> hold(sets.lock);
    auto it = sets.images.find(text);
    if (it != sets.images.end()) return &it->second;
  }
  ImageSpec spec;
  if (!ParseImage(text, spec)) return nullptr;
  std::lock_guard<std::mutex> hold(sets.lock);
  return &sets.images.try_emplace(text, SharedImage{text, spec}).first->second;
}

}  // namespace nimbrook::toolkit
