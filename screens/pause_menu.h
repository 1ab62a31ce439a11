// Opening and closing the pause menu, with the HUD and minimap hidden beneath it.
#pragma once

// Hides the HUD (and the ready minimap), shows and focuses the pause page, counts a generation.
void openPauseMenu();

// Unfocuses and hides the pause page, shows the HUD (and the ready minimap), ends key capture.
void closePauseMenu();
