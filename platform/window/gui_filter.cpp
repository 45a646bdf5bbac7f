// The file requester's filter: the extension list parsed out of a filter
// text, and the glob pattern the requester lists each extension by.

#include "platform/window/gui_filter.h"

#include <algorithm>
#include <cctype>

#include "platform/window/gui_dialogs.h"

std::vector<std::string> ParseFileFilter(const std::string& extensions) {
  std::string text = extensions;
  std::replace(text.begin(), text.end(), ';', ',');
  std::string list;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const size_t p = comma == std::string::npos ? text.size() : comma + 1;
    const size_t colon = text.find(':');
    size_t q = colon == std::string::npos ? 0 : colon + 1;
    if (q > p) q = 0;
    list += text.substr(q, p - q);
    text.erase(0, p);
  }
  if (list.find('*') != std::string::npos) list.clear();
  std::vector<std::string> out;
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    out.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

// "png" -> "*.[pP][nN][gG]": the filter ignores letter case and still works
// through portals, which take no custom filter functions.
std::string CaseFreePattern(const std::string& ext) {
  std::string pattern = "*.";
  for (char c : ext) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
      pattern += '[';
      pattern += static_cast<char>(std::tolower(u));
      pattern += static_cast<char>(std::toupper(u));
      pattern += ']';
    } else if (c == '[' || c == ']' || c == '*' || c == '?') {
      pattern += '[';
      pattern += c;
      pattern += ']';
    } else {
      pattern += c;
    }
  }
  return pattern;
}
