#pragma once
// Kept apart from the tests: Xlib's macros clash with GoogleTest's names.

namespace novabit::testing_x {

// Sends what the window's close button sends, WM_DELETE_WINDOW, to `window`.
bool request_close(unsigned long window);

}  // namespace novabit::testing_x
