// The module's heartbeat on the game thread.
#pragma once

// One frame's work, in order: browser creation, loading screen, ESC, the game's menu, the
// commands, saving and the state document. Nothing before cef_initialize or after cef_quit.
void runFrame();
