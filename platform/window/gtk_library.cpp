#define CELLREEL_GTK_LOADER
#include "platform/window/gtk_library.h"

#include <dlfcn.h>

#include <cstdio>

namespace gui_internal {

GtkCalls g_gtk;

namespace {

// The name GTK 3's package installs it under; the GLib, GObject and GDK
// calls come from the libraries it stands on.
constexpr const char* kGtkLibrary = "libgtk-3.so.0";

}  // namespace

bool LoadGtk() {
  static int state = -1;  // -1 not tried, 0 failed, 1 loaded
  if (state >= 0) return state == 1;
  state = 0;
  // Global and bound at once, as if linked: the modules GTK loads itself
  // (input methods, GIO's, the theme's) see its symbols.
  void* library = dlopen(kGtkLibrary, RTLD_NOW | RTLD_GLOBAL);
  if (library == nullptr) {
    std::fprintf(stderr, "cellreel: no dialogs without GTK 3: %s\n", dlerror());
    return false;
  }
  GtkCalls calls;
  const char* missing = nullptr;
#define CELLREEL_GTK_RESOLVE(name)                                              \
  calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(library, #name)); \
  if (calls.name == nullptr && missing == nullptr) missing = #name;
  CELLREEL_GTK_CALLS(CELLREEL_GTK_RESOLVE)
  CELLREEL_GDK_X11_CALLS(CELLREEL_GTK_RESOLVE)
#undef CELLREEL_GTK_RESOLVE
  if (missing != nullptr) {
    std::fprintf(stderr, "cellreel: no dialogs: %s lacks %s\n", kGtkLibrary, missing);
    return false;
  }
  g_gtk = calls;
  state = 1;
  return true;
}

}  // namespace gui_internal
