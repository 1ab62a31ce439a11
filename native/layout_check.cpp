// The executable layout check: image base, PE headers, five plausible game values and the
// code bytes of the persistence routines.
#include "native/layout_check.h"

#include <windows.h>

#include <string>

#include "core/plugin_state.h"
#include "log/byte_text.h"
#include "log/log_file.h"
#include "native/fault_guard.h"
#include "native/game_addresses.h"
#include "native/layout_rules.h"

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;       // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;    // "PE\0\0"
constexpr game::Address kNtHeaderOffsetField = 0x3C;
constexpr game::Address kTimeDateStampField = 8;  // in the NT headers: signature, then the file header
constexpr game::Address kEntryPointField = 0x28;  // in the NT headers: AddressOfEntryPoint

template <typename T>
T load(game::Address address) {
  return *reinterpret_cast<volatile const T*>(address);
}

struct ImageHeaderInfo {
  bool valid;
  uint32_t timeDateStamp;
  uint32_t entryPointRva;
};

// Reads the MZ and PE signatures, time stamp and entry-point RVA inside the fault guard; true
// when both signatures matched. The record is zeroed first.
bool readImageHeaders(game::Address imageBase, ImageHeaderInfo& info) {
  info = ImageHeaderInfo{};
  ImageHeaderInfo read{};
  const bool readable = guarded([&] {
    if (load<uint16_t>(imageBase) != kDosSignature) return;
    const game::Address ntHeaders = imageBase + load<uint32_t>(imageBase + kNtHeaderOffsetField);
    if (load<uint32_t>(ntHeaders) != kNtSignature) return;
    read.timeDateStamp = load<uint32_t>(ntHeaders + kTimeDateStampField);
    read.entryPointRva = load<uint32_t>(ntHeaders + kEntryPointField);
    read.valid = true;
  });
  if (!readable) return false;
  info = read;
  return info.valid;
}

// Reads the five probe locations inside one guard, then tests them; false on any fault.
bool probeCoreLayout() {
  CoreLayoutProbe probe{};
  const bool readable = guarded([&] {
    probe.brightness = load<uint32_t>(game::kBrightness);
    probe.drawDistance = load<float>(game::kDrawDistance);
    probe.sfxVolume = load<uint8_t>(game::kSfxVolume);
    probe.musicVolume = load<uint8_t>(game::kMusicVolume);
    probe.gameMenuActive = load<uint8_t>(game::kGameMenuActive);
  });
  return readable && coreLayoutAccepted(probe);
}

// True when the eight code bytes at the address equal the expected ones; false when none are
// given or the read faults.
bool codeBytesMatch(game::Address address, const uint8_t* expected) {
  if (expected == nullptr) return false;
  bool match = false;
  const bool readable = guarded([&] {
    for (int i = 0; i < game::kCodeSignatureBytes; ++i) {
      if (load<uint8_t>(address + i) != expected[i]) return;
    }
    match = true;
  });
  return readable && match;
}

}  // namespace

bool checkExecutableLayout() {
  const HMODULE image = ::GetModuleHandleW(nullptr);
  if (image == nullptr) {
    logLine("[NATIVE] ERROR: GetModuleHandle(nullptr) failed.");
    return false;
  }
  const game::Address imageBase = reinterpret_cast<game::Address>(image);
  if (imageBase != game::kImageBase) {
    logLine("[NATIVE] Unsupported image base: 0x" + upperHex(imageBase));
    return false;
  }
  ImageHeaderInfo headers{};
  if (!readImageHeaders(game::kImageBase, headers) || !headers.valid) {
    logLine("[NATIVE] Exception or invalid PE headers.");
    return false;
  }
  // A different stamp or entry point only says the file was rebuilt or patched; the probe
  // below decides whether its memory layout is still the one the module knows.
  if (headers.timeDateStamp != game::kExpectedTimeDateStamp)
    logLine("[NATIVE] NOTE: patched timestamp 0x" + upperHex(headers.timeDateStamp));
  if (headers.entryPointRva != game::kExpectedEntryPointRva)
    logLine("[NATIVE] NOTE: patched entry RVA 0x" + upperHex(headers.entryPointRva));
  if (!probeCoreLayout()) {
    logLine("[NATIVE] Core GTA memory layout check failed.");
    return false;
  }
  gState.persistenceAvailable = codeBytesMatch(game::kSaveSettings, game::kSaveSettingsCode) &&
                                codeBytesMatch(game::kPersistenceHelper, game::kPersistenceHelperCode);
  logLine("[NATIVE] Core GTA memory layout accepted.");
  logLine(std::string("[NATIVE] settings persistence=") + (gState.persistenceAvailable ? "YES" : "NO (session only)"));
  return true;
}
