// GTK 3, loaded when the first dialog opens instead of at start: the
// library and the forty libraries beneath it (Pango, Cairo, HarfBuzz,
// fontconfig, ATK, GIO...) would otherwise be mapped, relocated and
// initialised before the window could show, for dialogs most runs never
// open. The program is bound at start (-z now), so merely linking them
// costs that much. Each call the dialogs make is a pointer resolved from
// the loaded library; the macros at the end send the dialogs' calls, and
// those inside GTK's own macros (GTK_WINDOW, g_signal_connect...), to the
// pointers. Internal to the window layer.
#pragma once

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

// Every GLib, GDK and GTK function the dialogs call. A call left out
// fails the link: the program is not linked with GTK.
#define CELLREEL_GTK_CALLS(X) \
  X(g_free) X(g_list_free) X(g_main_context_iteration) X(g_object_ref) X(g_object_unref) \
  X(g_signal_connect_data) X(g_signal_handler_disconnect) X(g_source_remove) X(g_timeout_add) \
  X(g_type_check_instance_cast) X(g_type_check_instance_is_a) \
  X(gdk_display_get_default) X(gdk_display_get_monitor_at_window) X(gdk_event_handler_set) \
  X(gdk_monitor_get_workarea) X(gdk_window_get_frame_extents) X(gdk_window_get_height) \
  X(gdk_window_get_origin) X(gdk_window_get_width) X(gdk_window_set_transient_for) \
  X(gtk_container_get_children) X(gtk_container_get_type) X(gtk_dialog_get_content_area) \
  X(gtk_dialog_get_type) X(gtk_dialog_response) X(gtk_dialog_set_default_response) \
  X(gtk_disable_setlocale) X(gtk_events_pending) X(gtk_file_chooser_add_filter) \
  X(gtk_file_chooser_dialog_new) X(gtk_file_chooser_get_filename) X(gtk_file_chooser_get_type) \
  X(gtk_file_chooser_set_current_folder) X(gtk_file_chooser_set_current_name) \
  X(gtk_file_chooser_set_filename) X(gtk_file_chooser_widget_get_type) \
  X(gtk_file_filter_add_pattern) X(gtk_file_filter_new) X(gtk_file_filter_set_name) \
  X(gtk_get_event_widget) X(gtk_init_check) X(gtk_main_do_event) X(gtk_main_iteration_do) \
  X(gtk_message_dialog_new) X(gtk_widget_destroy) X(gtk_widget_get_mapped) \
  X(gtk_widget_get_realized) X(gtk_widget_get_toplevel) X(gtk_widget_get_type) \
  X(gtk_widget_get_visible) X(gtk_widget_get_window) X(gtk_widget_hide) X(gtk_widget_realize) \
  X(gtk_window_get_focus) X(gtk_window_get_size) X(gtk_window_get_type) \
  X(gtk_window_is_active) X(gtk_window_list_toplevels) X(gtk_window_move) \
  X(gtk_window_present_with_time) X(gtk_window_resize) X(gtk_window_set_default_size) \
  X(gtk_window_set_geometry_hints) X(gtk_window_set_keep_above) X(gtk_window_set_modal) \
  X(gtk_window_set_title)

#ifdef GDK_WINDOWING_X11
#define CELLREEL_GDK_X11_CALLS(X) \
  X(gdk_x11_display_get_type) X(gdk_x11_get_server_time) \
  X(gdk_x11_window_foreign_new_for_display) X(gdk_x11_window_get_type)
#else
#define CELLREEL_GDK_X11_CALLS(X)
#endif

namespace gui_internal {

struct GtkCalls {
#define CELLREEL_GTK_POINTER(name) decltype(&::name) name = nullptr;
  CELLREEL_GTK_CALLS(CELLREEL_GTK_POINTER)
  CELLREEL_GDK_X11_CALLS(CELLREEL_GTK_POINTER)
#undef CELLREEL_GTK_POINTER
};

// Filled by LoadGtk.
extern GtkCalls g_gtk;

// Loads GTK and resolves every call, once per run; true when all are
// there. Without the library (or with one that lacks a call) it says so on
// standard error, once, and the dialogs do nothing, as without a display.
bool LoadGtk();

}  // namespace gui_internal

#ifndef CELLREEL_GTK_LOADER
#define g_free (gui_internal::g_gtk.g_free)
#define g_list_free (gui_internal::g_gtk.g_list_free)
#define g_main_context_iteration (gui_internal::g_gtk.g_main_context_iteration)
// GLib's own g_object_ref macro keeps the argument's type; the dialogs
// ignore the result.
#undef g_object_ref
#define g_object_ref (gui_internal::g_gtk.g_object_ref)
#define g_object_unref (gui_internal::g_gtk.g_object_unref)
#define g_signal_connect_data (gui_internal::g_gtk.g_signal_connect_data)
#define g_signal_handler_disconnect (gui_internal::g_gtk.g_signal_handler_disconnect)
#define g_source_remove (gui_internal::g_gtk.g_source_remove)
#define g_timeout_add (gui_internal::g_gtk.g_timeout_add)
#define g_type_check_instance_cast (gui_internal::g_gtk.g_type_check_instance_cast)
#define g_type_check_instance_is_a (gui_internal::g_gtk.g_type_check_instance_is_a)
#define gdk_display_get_default (gui_internal::g_gtk.gdk_display_get_default)
#define gdk_display_get_monitor_at_window (gui_internal::g_gtk.gdk_display_get_monitor_at_window)
#define gdk_event_handler_set (gui_internal::g_gtk.gdk_event_handler_set)
#define gdk_monitor_get_workarea (gui_internal::g_gtk.gdk_monitor_get_workarea)
#define gdk_window_get_frame_extents (gui_internal::g_gtk.gdk_window_get_frame_extents)
#define gdk_window_get_height (gui_internal::g_gtk.gdk_window_get_height)
#define gdk_window_get_origin (gui_internal::g_gtk.gdk_window_get_origin)
#define gdk_window_get_width (gui_internal::g_gtk.gdk_window_get_width)
#define gdk_window_set_transient_for (gui_internal::g_gtk.gdk_window_set_transient_for)
#define gtk_container_get_children (gui_internal::g_gtk.gtk_container_get_children)
#define gtk_container_get_type (gui_internal::g_gtk.gtk_container_get_type)
#define gtk_dialog_get_content_area (gui_internal::g_gtk.gtk_dialog_get_content_area)
#define gtk_dialog_get_type (gui_internal::g_gtk.gtk_dialog_get_type)
#define gtk_dialog_response (gui_internal::g_gtk.gtk_dialog_response)
#define gtk_dialog_set_default_response (gui_internal::g_gtk.gtk_dialog_set_default_response)
#define gtk_disable_setlocale (gui_internal::g_gtk.gtk_disable_setlocale)
#define gtk_events_pending (gui_internal::g_gtk.gtk_events_pending)
#define gtk_file_chooser_add_filter (gui_internal::g_gtk.gtk_file_chooser_add_filter)
#define gtk_file_chooser_dialog_new (gui_internal::g_gtk.gtk_file_chooser_dialog_new)
#define gtk_file_chooser_get_filename (gui_internal::g_gtk.gtk_file_chooser_get_filename)
#define gtk_file_chooser_get_type (gui_internal::g_gtk.gtk_file_chooser_get_type)
#define gtk_file_chooser_set_current_folder (gui_internal::g_gtk.gtk_file_chooser_set_current_folder)
#define gtk_file_chooser_set_current_name (gui_internal::g_gtk.gtk_file_chooser_set_current_name)
#define gtk_file_chooser_set_filename (gui_internal::g_gtk.gtk_file_chooser_set_filename)
#define gtk_file_chooser_widget_get_type (gui_internal::g_gtk.gtk_file_chooser_widget_get_type)
#define gtk_file_filter_add_pattern (gui_internal::g_gtk.gtk_file_filter_add_pattern)
#define gtk_file_filter_new (gui_internal::g_gtk.gtk_file_filter_new)
#define gtk_file_filter_set_name (gui_internal::g_gtk.gtk_file_filter_set_name)
#define gtk_get_event_widget (gui_internal::g_gtk.gtk_get_event_widget)
#define gtk_init_check (gui_internal::g_gtk.gtk_init_check)
#define gtk_main_do_event (gui_internal::g_gtk.gtk_main_do_event)
#define gtk_main_iteration_do (gui_internal::g_gtk.gtk_main_iteration_do)
#define gtk_message_dialog_new (gui_internal::g_gtk.gtk_message_dialog_new)
#define gtk_widget_destroy (gui_internal::g_gtk.gtk_widget_destroy)
#define gtk_widget_get_mapped (gui_internal::g_gtk.gtk_widget_get_mapped)
#define gtk_widget_get_realized (gui_internal::g_gtk.gtk_widget_get_realized)
#define gtk_widget_get_toplevel (gui_internal::g_gtk.gtk_widget_get_toplevel)
#define gtk_widget_get_type (gui_internal::g_gtk.gtk_widget_get_type)
#define gtk_widget_get_visible (gui_internal::g_gtk.gtk_widget_get_visible)
#define gtk_widget_get_window (gui_internal::g_gtk.gtk_widget_get_window)
#define gtk_widget_hide (gui_internal::g_gtk.gtk_widget_hide)
#define gtk_widget_realize (gui_internal::g_gtk.gtk_widget_realize)
#define gtk_window_get_focus (gui_internal::g_gtk.gtk_window_get_focus)
#define gtk_window_get_size (gui_internal::g_gtk.gtk_window_get_size)
#define gtk_window_get_type (gui_internal::g_gtk.gtk_window_get_type)
#define gtk_window_is_active (gui_internal::g_gtk.gtk_window_is_active)
#define gtk_window_list_toplevels (gui_internal::g_gtk.gtk_window_list_toplevels)
#define gtk_window_move (gui_internal::g_gtk.gtk_window_move)
#define gtk_window_present_with_time (gui_internal::g_gtk.gtk_window_present_with_time)
#define gtk_window_resize (gui_internal::g_gtk.gtk_window_resize)
#define gtk_window_set_default_size (gui_internal::g_gtk.gtk_window_set_default_size)
#define gtk_window_set_geometry_hints (gui_internal::g_gtk.gtk_window_set_geometry_hints)
#define gtk_window_set_keep_above (gui_internal::g_gtk.gtk_window_set_keep_above)
#define gtk_window_set_modal (gui_internal::g_gtk.gtk_window_set_modal)
#define gtk_window_set_title (gui_internal::g_gtk.gtk_window_set_title)
#ifdef GDK_WINDOWING_X11
#define gdk_x11_display_get_type (gui_internal::g_gtk.gdk_x11_display_get_type)
#define gdk_x11_get_server_time (gui_internal::g_gtk.gdk_x11_get_server_time)
#define gdk_x11_window_foreign_new_for_display (gui_internal::g_gtk.gdk_x11_window_foreign_new_for_display)
#define gdk_x11_window_get_type (gui_internal::g_gtk.gdk_x11_window_get_type)
#endif
#endif
