#pragma once
// Registers the program's own GStreamer elements, once per process, after
// initialising GStreamer. Called by main() of every program and by the test
// set-up; the elements exist only inside the program (rank NONE, nothing
// plugs them by itself).

namespace tavrel {

// True when GStreamer is initialised and the elements are registered.
bool RegisterOwnElements();

}  // namespace tavrel
