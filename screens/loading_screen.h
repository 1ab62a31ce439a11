// The module's loading screen: kept up until another page takes over, then hidden for good.
#pragma once

// Remembers that the screen must go and hides it now if its browser is ready. Any thread.
void requestLoadingHide();

// The frame tick's upkeep: every 250 ms re-shows the ready screen, and hides it once it has
// stayed more than 60 s. Game thread.
void keepLoadingScreen();

// Shows the screen and gives it the input, unless a hide has been requested by then.
void showLoadingBrowser();

// Takes the input away from the screen, then hides it.
void hideLoadingBrowser();
