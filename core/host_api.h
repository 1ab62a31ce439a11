// The four browser functions the CEF host hands to cef_initialize, in slot order.
#pragma once

#include <cstdint>

// The host's results are never looked at, so every slot is declared as returning nothing.
using CreateBrowserFn = void(__cdecl*)(uint32_t id, const char* url, int32_t flagA, int32_t flagB);
using SpareHostFn = void(__cdecl*)();
using HideBrowserFn = void(__cdecl*)(uint32_t id, int32_t hidden);
using FocusBrowserFn = void(__cdecl*)(uint32_t id, int32_t focused);

struct HostApi {
  CreateBrowserFn createBrowser;  // slot 0
  SpareHostFn spareHostFn;        // slot 1: required, never called
  HideBrowserFn hideBrowser;      // slot 2: 1 hides, 0 shows
  FocusBrowserFn focusBrowser;    // slot 3: 1 gives input, 0 takes it away
};
