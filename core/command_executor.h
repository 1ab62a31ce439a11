// The game thread's side of the command queue.
#pragma once

// Once per running frame: carries out up to kCommandsPerFrame commands in arrival order, holding
// the queue's lock only to take each one out.
void drainCommands();
