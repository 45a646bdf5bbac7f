#include "platform/gui_dialogs.h"

// Before the X11 headers: their global `Window` would be shadowed by the
// layer's GadgetKind::Window.
#include "platform/gui_internal.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <filesystem>

namespace {

bool GtkUp() {
  static int state = -1;  // -1 not tried, 0 failed, 1 up
  if (state < 0) {
    // GTK must not switch the process locale: numbers are formatted and
    // parsed the C way everywhere else.
    gtk_disable_setlocale();
    state = gtk_init_check(nullptr, nullptr) ? 1 : 0;
  }
  return state == 1;
}

void DrainGtk() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// Makes every visible toplevel GTK window transient for the program's
// window, so the dialog stays above it.
void KeepAbove(unsigned long parent_xid) {
#ifdef GDK_WINDOWING_X11
  if (!parent_xid) return;
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return;
  GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, parent_xid);
  if (!parent) return;
  GList* tops = gtk_window_list_toplevels();
  for (GList* l = tops; l; l = l->next) {
    GtkWidget* w = GTK_WIDGET(l->data);
    if (gtk_widget_get_visible(w) && gtk_widget_get_realized(w)) {
      gdk_window_set_transient_for(gtk_widget_get_window(w), parent);
    }
  }
  g_list_free(tops);
  g_object_unref(parent);
#else
  (void)parent_xid;
#endif
}

// GTK's own event handler, except for key events that the window's focus
// widget can no longer take. A file chooser dialog unrealizes its contents
// when it is done, which it is as soon as Return confirms it; the key's
// release (and whatever else was typed ahead) still reaches the dialog, and
// GTK would complain on the terminal about handing each to an unrealized
// widget. Nobody sees those keys: they are dropped.
void SkipKeysForUnrealizedFocus(GdkEvent* event, gpointer) {
  if (event->type == GDK_KEY_PRESS || event->type == GDK_KEY_RELEASE) {
    GtkWidget* target = gtk_get_event_widget(event);
    GtkWidget* top = target ? gtk_widget_get_toplevel(target) : nullptr;
    GtkWidget* focus = GTK_IS_WINDOW(top) ? gtk_window_get_focus(GTK_WINDOW(top)) : nullptr;
    if (focus && !gtk_widget_get_realized(focus)) return;
  }
  gtk_main_do_event(event);
}

// GTK's handler back, as gtk_init set it.
void RestoreEventHandler() {
  gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr,
                        nullptr);
}

struct DialogWatch {
  GtkNativeDialog* native = nullptr;
  GtkDialog* dialog = nullptr;
  unsigned long parent_xid = 0;
  bool placed = false;
};

gboolean WatchDialog(gpointer data) {
  auto* watch = static_cast<DialogWatch*>(data);
  if (!watch->placed) {
    KeepAbove(watch->parent_xid);
    watch->placed = true;
  }
  if (gui_internal::g_gui.terminate) {
    // Dialogs the chooser opened itself (an error about a typed folder, an
    // overwrite question) run their own loop inside ours: answer them too.
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next) {
      if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)) &&
          GTK_DIALOG(l->data) != watch->dialog) {
        gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_CANCEL);
      }
    }
    g_list_free(tops);
    if (watch->native) gtk_native_dialog_hide(watch->native);
    if (watch->dialog) gtk_dialog_response(watch->dialog, GTK_RESPONSE_CANCEL);
  }
  // Removed by the caller once the dialog has returned.
  return G_SOURCE_CONTINUE;
}

}  // namespace

unsigned long X11WindowOf(SDL_Window* window) {
  if (!window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<unsigned long>(info.info.x11.window);
#endif
  return 0;
}

namespace {

// The initial path: "\" counts as "/"; the part after the last "/" is the
// file name, the part before it the directory.
void SplitInitialPath(const std::string& path, std::string* dir, std::string* name) {
  std::string p = path;
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  const size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) {
    *name = p;
  } else {
    *dir = p.substr(0, slash);
    *name = p.substr(slash + 1);
    if (dir->empty()) *dir = "/";
  }
}

// Starts the chooser in the initial directory (made absolute) with the
// initial file name.
void PlaceChooser(GtkFileChooser* fc, const std::string& path, bool save) {
  std::string dir, name;
  SplitInitialPath(path, &dir, &name);
  if (!dir.empty()) {
    std::error_code ec;
    const std::string abs = std::filesystem::absolute(dir, ec).string();
    gtk_file_chooser_set_current_folder(fc, (ec ? dir : abs).c_str());
  }
  if (!name.empty()) {
    if (save) {
      gtk_file_chooser_set_current_name(fc, name.c_str());
    } else {
      std::error_code ec;
      const std::string full = std::filesystem::absolute(dir.empty() ? name : dir + "/" + name, ec).string();
      if (!ec) gtk_file_chooser_set_filename(fc, full.c_str());
    }
  }
}

// One filter of the given types; a save requester also allows others.
void AddFilters(GtkFileChooser* fc, const std::vector<std::string>& exts, bool save) {
  if (exts.empty()) return;
  GtkFileFilter* filter = gtk_file_filter_new();
  std::string label;
  for (const std::string& e : exts) {
    if (e.empty()) continue;
    gtk_file_filter_add_pattern(filter, CaseFreePattern(e).c_str());
    label += (label.empty() ? "*." : ", *.") + e;
  }
  gtk_file_filter_set_name(filter, label.c_str());
  gtk_file_chooser_add_filter(fc, filter);  // takes ownership
  if (save) {
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_filter_set_name(all, "All files");
    gtk_file_chooser_add_filter(fc, all);
  }
}

}  // namespace

std::string RunFileDialog(const std::string& title, const std::vector<std::string>& exts,
                          bool save, const std::string& path, unsigned long parent_xid) {
  if (!GtkUp()) return "";
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
      title.empty() ? nullptr : title.c_str(), nullptr,
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
  GtkFileChooser* fc = GTK_FILE_CHOOSER(chooser);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  PlaceChooser(fc, path, save);
  AddFilters(fc, exts, save);

  DialogWatch watch;
  watch.native = GTK_NATIVE_DIALOG(chooser);
  watch.parent_xid = parent_xid;
  g_timeout_add(100, WatchDialog, &watch);
  gdk_event_handler_set(SkipKeysForUnrealizedFocus, nullptr, nullptr);
  const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser));
  g_source_remove_by_user_data(&watch);

  std::string result;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (gchar* chosen = gtk_file_chooser_get_filename(fc)) {
      result = chosen;
      g_free(chosen);
    }
  }
  // Let the dialog see the rest of the keystroke that closed it (the key
  // release) before it goes away.
  gtk_native_dialog_hide(GTK_NATIVE_DIALOG(chooser));
  DrainGtk();
  gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(chooser));
  g_object_unref(chooser);
  DrainGtk();
  RestoreEventHandler();
  // The path with its terminating zero must fit in 4,096 bytes.
  if (result.size() + 1 > 4096) result.clear();
  return result;
}

void RunMessageDialog(const std::string& title, const std::string& text, bool serious,
                      unsigned long parent_xid) {
  if (!GtkUp()) return;
  GtkWidget* dialog = gtk_message_dialog_new(
      nullptr, GTK_DIALOG_MODAL, serious ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
      GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  DialogWatch watch;
  watch.dialog = GTK_DIALOG(dialog);
  watch.parent_xid = parent_xid;
  g_timeout_add(100, WatchDialog, &watch);
  gtk_dialog_run(GTK_DIALOG(dialog));
  g_source_remove_by_user_data(&watch);
  gtk_widget_destroy(dialog);
  DrainGtk();
}
