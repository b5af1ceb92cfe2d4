#include "screen/sdl/display_lost_hook.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstring>

namespace novabit {
namespace {

// Xlib's handler is a plain function for the whole process, so the hook it calls has to
// be reachable from a plain function too.
std::atomic<DisplayLostHook> installedHook{nullptr};
XIOErrorHandler previousHandler = nullptr;

int on_connection_lost(Display* display) {
  if (const DisplayLostHook hook = installedHook.exchange(nullptr)) {
    hook();
  }
  // Xlib's default handler reports the loss and exits; Xlib exits anyway if it returns.
  return previousHandler != nullptr ? previousHandler(display) : 0;
}

}  // namespace

DisplayLostHookInstallation::DisplayLostHookInstallation(DisplayLostHook hook) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (hook == nullptr || driver == nullptr || std::strcmp(driver, "x11") != 0) {
    return;
  }
  installedHook = hook;
  previousHandler = XSetIOErrorHandler(on_connection_lost);
  installed_ = true;
}

DisplayLostHookInstallation::~DisplayLostHookInstallation() {
  if (installed_) {
    XSetIOErrorHandler(previousHandler);
    installedHook = nullptr;
  }
}

}  // namespace novabit
