// The seven functions the CEF host calls, with undecorated cdecl names.
#pragma once

#include <cstdint>

#include "core/host_api.h"

extern "C" {
void __cdecl cef_initialize(const HostApi* api);
void __cdecl cef_quit();
void __cdecl cef_connect();
void __cdecl cef_disconnect();
void __cdecl cef_dxreset();
void __cdecl cef_samp_mainloop();
void __cdecl cef_browser_created(uint32_t id, int32_t status);
}
