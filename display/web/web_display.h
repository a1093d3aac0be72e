// What the web page's display offers the program's top beyond the display
// operations: the keys read between frames, and the step each frame is of.
#pragma once

// Reads what the page reported since the last call: Escape ends the demo
// through display_quit. The top runs it from the clock's wait hook.
void web_display_poll();

// The script step drawing now; the page tags frames with it, so its test
// hook can pick the frames of chosen steps.
void web_display_set_step(int step, const char* label);
