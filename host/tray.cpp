#include "host/tray.h"

#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <cstdlib>
#include <initializer_list>

namespace orvane::host {
namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

void OnQuitChosen(GtkMenuItem*, gpointer) { gtk_main_quit(); }

gboolean QuitFromIdle(gpointer) {
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

}  // namespace

bool OpenGraphicalSession() { return HasDisplay() && gtk_init_check(nullptr, nullptr); }

void RunTray() {
  GtkWidget* menu = gtk_menu_new();
  GtkWidget* quit = gtk_menu_item_new_with_label("退出");
  g_signal_connect(quit, "activate", G_CALLBACK(OnQuitChosen), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), quit);
  gtk_widget_show_all(menu);

  AppIndicator* indicator =
      app_indicator_new("OrvaneEx", "dialog-password", APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
  app_indicator_set_title(indicator, "ZT_OrvaneEx");
  app_indicator_set_menu(indicator, GTK_MENU(menu));
  app_indicator_set_status(indicator, APP_INDICATOR_STATUS_ACTIVE);

  gtk_main();

  // Removing the indicator takes the icon out of the tray; the menu goes with
  // the indicator, which holds it.
  app_indicator_set_status(indicator, APP_INDICATOR_STATUS_PASSIVE);
  g_object_unref(indicator);
}

void QuitTray() { g_idle_add(QuitFromIdle, nullptr); }

}  // namespace orvane::host
