#include "platform/window/gui_dialogs.h"

// Before the X11 headers: their global `Window` would be shadowed by the
// layer's GadgetKind::Window.
#include "platform/window/gui_internal.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/window/gtk_library.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

bool GtkUp() {
  static int state = -1;  // -1 not tried, 0 failed, 1 up
  if (state < 0 && !gui_internal::LoadGtk()) state = 0;
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

// While a dialog is open the loop below is the program's only loop: it
// runs GLib's sources and, this often, the caller's work for the window
// behind the dialog (the window system's pings, its exposes).
constexpr guint kWatchMs = 30;

// A dialog's size: this share of the work area of the window's monitor,
// and no more than the given pixels.
constexpr double kWorkAreaShare = 0.8;
constexpr int kDialogMaxWidth = 960, kDialogMaxHeight = 680;

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
  GtkDialog* dialog = nullptr;
  const DialogParent* parent = nullptr;
  gint response = GTK_RESPONSE_NONE;
  guint32 (*server_time)(GtkWindow*) = nullptr;
  // Ticks left in which the dialog asks for the focus again while it has
  // none: a window manager can leave a newly mapped dialog unfocused (one
  // that compares it with the program's earlier dialogs, say).
  int focus_tries = 0;
};

gboolean WatchDialog(gpointer data) {
  auto* watch = static_cast<DialogWatch*>(data);
  GtkWindow* w = GTK_WINDOW(watch->dialog);
  bool refocus = false;
  if (watch->parent && watch->parent->while_open && watch->parent->while_open()) {
    // The program's window took the focus (the window system offered it,
    // the user clicked it): it belongs to the modal dialog.
    refocus = true;
  }
  if (watch->focus_tries > 0) {
    --watch->focus_tries;
    if (gtk_widget_get_mapped(GTK_WIDGET(w)) && !gtk_window_is_active(w)) refocus = true;
  }
  if (refocus) gtk_window_present_with_time(w, watch->server_time(w));
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
    gtk_dialog_response(watch->dialog, GTK_RESPONSE_CANCEL);
  }
  // Removed by the caller once the dialog has returned.
  return G_SOURCE_CONTINUE;
}

void OnResponse(GtkDialog*, gint response, gpointer data) {
  static_cast<DialogWatch*>(data)->response = response;
}

// The dialog's close box answers it (as a response) but must not destroy
// it: the caller still reads it.
gboolean KeepOnDelete(GtkWidget*, GdkEvent*, gpointer) { return TRUE; }

// The dialog's size: what fits the work area, whatever size the chooser
// remembers or asks for when it maps.
struct DialogSize {
  int width = 0, height = 0;
};

void KeepDialogSize(GtkWidget*, gpointer data) {
  auto* size = static_cast<std::pair<GtkWindow*, DialogSize>*>(data);
  gtk_window_resize(size->first, size->second.width, size->second.height);
}

#ifdef GDK_WINDOWING_X11
// Sizes the dialog to fit the work area of the parent's monitor.
void FitWorkArea(GtkWindow* dialog, GdkDisplay* display, GdkWindow* parent, DialogSize* size) {
  GdkRectangle work{};
  if (GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, parent)) {
    gdk_monitor_get_workarea(monitor, &work);
  }
  if (work.width <= 0 || work.height <= 0) {
    work.width = kDialogMaxWidth;
    work.height = kDialogMaxHeight;
  }
  // Never larger than the work area, even when the user resizes it.
  GdkGeometry limits{};
  limits.max_width = work.width;
  limits.max_height = work.height;
  gtk_window_set_geometry_hints(dialog, nullptr, &limits, GDK_HINT_MAX_SIZE);
  size->width = std::min(static_cast<int>(work.width * kWorkAreaShare), kDialogMaxWidth);
  size->height = std::min(static_cast<int>(work.height * kWorkAreaShare), kDialogMaxHeight);
  gtk_window_set_default_size(dialog, size->width, size->height);
  gtk_window_resize(dialog, size->width, size->height);
}

// Before the dialog is mapped: it is transient for the program's window
// (so the window manager places and stacks it as that window's dialog),
// (given a size) fits the work area of the window's monitor, and asks to
// be centred over the window.
void AttachToParent(GtkWindow* dialog, unsigned long parent_xid, DialogSize* size) {
  GdkDisplay* display = gdk_display_get_default();
  if (!parent_xid || !display || !GDK_IS_X11_DISPLAY(display)) return;
  GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, parent_xid);
  if (!parent) return;
  gdk_window_set_transient_for(gtk_widget_get_window(GTK_WIDGET(dialog)), parent);

  if (size) FitWorkArea(dialog, display, parent, size);
  // The position is the frame's; the dialog's title bar is taken to be as
  // tall as the window's, so that the client areas share a centre.
  int px = 0, py = 0, w = 0, h = 0;
  gdk_window_get_origin(parent, &px, &py);
  GdkRectangle frame{};
  gdk_window_get_frame_extents(parent, &frame);
  const int title = py - frame.y > 0 && py - frame.y < 100 ? py - frame.y : 0;
  gtk_window_get_size(dialog, &w, &h);
  if (size) {
    w = size->width;
    h = size->height;
  }
  gtk_window_move(dialog, px + (gdk_window_get_width(parent) - w) / 2,
                  py + (gdk_window_get_height(parent) - h) / 2 - title);
  g_object_unref(parent);
}

// The time of the X server now: a window mapped with it counts as opened
// by the user's latest action, so the window manager gives it the focus.
guint32 ServerTime(GtkWindow* dialog) {
  GdkWindow* w = gtk_widget_get_window(GTK_WIDGET(dialog));
  return w && GDK_IS_X11_WINDOW(w) ? gdk_x11_get_server_time(w) : GDK_CURRENT_TIME;
}
#else
void AttachToParent(GtkWindow*, unsigned long, DialogSize*) {}
guint32 ServerTime(GtkWindow*) { return GDK_CURRENT_TIME; }
#endif

// Shows a dialog modally over the program's window and runs the loop until
// it is answered; the response. `sized`: the widget whose
// "default-size-changed" asks the dialog for a size of its own.
gint RunModal(GtkDialog* dialog, const DialogParent& parent, GtkWidget* sized = nullptr) {
  GtkWindow* window = GTK_WINDOW(dialog);
  g_object_ref(dialog);
  gtk_window_set_modal(window, TRUE);
  gtk_widget_realize(GTK_WIDGET(dialog));
  std::pair<GtkWindow*, DialogSize> size{window, {}};
  AttachToParent(window, parent.xid, sized ? &size.second : nullptr);
  gulong size_handler = 0;
  if (sized && size.second.width > 0) {
    size_handler = g_signal_connect_after(sized, "default-size-changed",
                                          G_CALLBACK(KeepDialogSize), &size);
  }
  DialogWatch watch;
  watch.dialog = dialog;
  watch.parent = &parent;
  watch.server_time = ServerTime;
  watch.focus_tries = static_cast<int>(1000 / kWatchMs);
  const gulong response = g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &watch);
  const gulong del = g_signal_connect(dialog, "delete-event", G_CALLBACK(KeepOnDelete), nullptr);
  const guint source = g_timeout_add(kWatchMs, WatchDialog, &watch);
  gtk_window_present_with_time(window, ServerTime(window));
  while (watch.response == GTK_RESPONSE_NONE) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(source);
  g_signal_handler_disconnect(dialog, response);
  g_signal_handler_disconnect(dialog, del);
  if (size_handler) g_signal_handler_disconnect(sized, size_handler);
  g_object_unref(dialog);
  return watch.response;
}

// The file chooser widget inside a chooser dialog.
GtkWidget* ChooserWidget(GtkDialog* dialog) {
  GList* kids = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_content_area(dialog)));
  GtkWidget* found = nullptr;
  for (GList* l = kids; l && !found; l = l->next) {
    if (GTK_IS_FILE_CHOOSER_WIDGET(l->data)) found = GTK_WIDGET(l->data);
  }
  g_list_free(kids);
  return found;
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
                          bool save, const std::string& path, const DialogParent& parent) {
  if (!GtkUp()) return "";
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.empty() ? nullptr : title.c_str(), nullptr,
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  GtkFileChooser* fc = GTK_FILE_CHOOSER(dialog);
  PlaceChooser(fc, path, save);
  AddFilters(fc, exts, save);

  gdk_event_handler_set(SkipKeysForUnrealizedFocus, nullptr, nullptr);
  const gint response =
      RunModal(GTK_DIALOG(dialog), parent, ChooserWidget(GTK_DIALOG(dialog)));

  std::string result;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (gchar* chosen = gtk_file_chooser_get_filename(fc)) {
      result = chosen;
      g_free(chosen);
    }
  }
  // Let the dialog see the rest of the keystroke that closed it (the key
  // release) before it goes away.
  gtk_widget_hide(dialog);
  DrainGtk();
  gtk_widget_destroy(dialog);
  DrainGtk();
  RestoreEventHandler();
  // The path with its terminating zero must fit in 4,096 bytes.
  if (result.size() + 1 > 4096) result.clear();
  return result;
}

void RunMessageDialog(const std::string& title, const std::string& text, bool serious,
                      const DialogParent& parent) {
  if (!GtkUp()) return;
  GtkWidget* dialog = gtk_message_dialog_new(
      nullptr, GTK_DIALOG_MODAL, serious ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
      GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  RunModal(GTK_DIALOG(dialog), parent);
  gtk_widget_destroy(dialog);
  DrainGtk();
}
