// The registry of embedded resources: names compared exactly, first
// registration wins. The bytes are not copied; they must outlive their entry.
#include <span>
#include <vector>

#include "platform/images/incbin.h"
#include "platform/images/stream.h"

namespace {

struct IncbinEntry {
  std::string name;
  const std::uint8_t* data;
  std::size_t length;
};

std::vector<IncbinEntry>& Registry() {
  static std::vector<IncbinEntry> entries;
  return entries;
}

std::vector<IncbinEntry>::iterator FindEntry(const std::string& name) {
  auto& r = Registry();
  auto it = r.begin();
  while (it != r.end() && it->name != name) ++it;
  return it;
}

}  // namespace

int IncbinAdd(const std::string& name, const std::uint8_t* data, std::size_t length) {
  if (FindEntry(name) != Registry().end()) return 0;
  Registry().push_back({name, data, length});
  return 1;
}

int IncbinRemove(const std::string& name) {
  auto it = FindEntry(name);
  if (it == Registry().end()) return 0;
  Registry().erase(it);
  return 1;
}

bool IncbinFind(const std::string& name, std::span<const std::uint8_t>* bytes) {
  auto it = FindEntry(name);
  if (it == Registry().end()) {
    *bytes = {};
    return false;
  }
  *bytes = std::span<const std::uint8_t>(it->data, it->length);
  return true;
}
