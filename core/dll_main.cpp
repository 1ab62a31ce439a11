// Module entry point: records the module handle and nothing else, since the loader lock is held.
#include <windows.h>

#include "core/plugin_state.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    gState.moduleHandle = instance;
    // Thread attach/detach notifications would only cost the game's threads time.
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
