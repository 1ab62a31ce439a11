// The executable layout check: decides once, in cef_initialize, whether this process is the one
// game build whose addresses the module knows, and whether its settings can be saved.
#pragma once

#include <cstdint>

#include "native/game_addresses.h"

struct ImageHeaderInfo {
  bool valid;
  uint32_t timeDateStamp;
  uint32_t entryPointRva;
};

// Reads the MZ and PE signatures, time stamp and entry-point RVA inside the fault guard; true
// when both signatures matched. The record is zeroed first.
bool readImageHeaders(game::Address imageBase, ImageHeaderInfo& info);

// Reads the five probe locations inside one guard, then tests them; false on any fault.
bool probeCoreLayout();

// True when the eight code bytes at the address equal the expected ones; false when none are
// given or the read faults.
bool codeBytesMatch(game::Address address, const uint8_t* expected);

// Logs its findings and sets persistenceAvailable when it accepts; the caller stores the
// result in nativeSupported.
bool checkExecutableLayout();
