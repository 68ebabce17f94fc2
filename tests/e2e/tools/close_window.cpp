// e2e_close_window WINDOW: asks an X window to close as a window manager does when its
// close button is clicked, with the client message WM_PROTOCOLS / WM_DELETE_WINDOW. The
// e2e scripts' X server runs no window manager, and xdotool only destroys a window.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  char* end = nullptr;
  const unsigned long window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
  if (window == 0 || *end != '\0') {
    std::fprintf(stderr, "usage: e2e_close_window WINDOW_ID\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "e2e_close_window: cannot open the display\n");
    return 1;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  if (!sent) std::fprintf(stderr, "e2e_close_window: the message was not sent\n");
  return sent ? 0 : 1;
}
