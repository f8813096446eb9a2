// The tray icon with its one menu item "退出", when a graphical session is
// present.
#pragma once

namespace orvane::host {

// True when a display is set and GTK can open it; GTK is then initialised.
bool OpenGraphicalSession();

// Shows the icon and runs the GTK main loop until "退出" is chosen or
// QuitTray is called. Needs OpenGraphicalSession first.
void RunTray();

// Ends RunTray from any thread.
void QuitTray();

}  // namespace orvane::host
