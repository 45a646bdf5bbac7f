// What an X error does to the program. Internal to platform/.
#pragma once

namespace gui_internal {

// Makes Xlib drop the one error that is not the program's to mend, and hand
// every other one to the handler that was in force: SDL wakes its event
// wait by sending an event to the program's window from a connection of its
// own, and that request can reach the server after the window was destroyed
// on the main connection. The window is gone, so the event had nowhere to
// go; left to Xlib's default handler, the error would end the program with
// status 1 as it closes. Installed before SDL starts, so that SDL's own
// handler passes the errors on to it while SDL runs, and SDL puts it back
// before it closes that connection, when the error may come in. (GTK, once
// started, sets a handler of its own that ignores the errors of connections
// that are not its own.)
void InstallXErrorFilter();

}  // namespace gui_internal
