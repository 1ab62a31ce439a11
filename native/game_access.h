// Guarded access to the game: the only way the module reads or writes game memory and calls
// game routines. Every access runs inside the fault guard and reports a fault as false.
#pragma once

#include <cstdint>

#include "native/game_addresses.h"

// Gated by nativeSupported: false at once, memory and out value untouched, while it is false.
// A caught fault also gives false and leaves the out value unchanged, so a preset survives.
bool guardedRead8(game::Address address, uint8_t& value);
bool guardedRead32(game::Address address, int32_t& value);
bool guardedReadFloat(game::Address address, float& value);
bool guardedWrite8(game::Address address, uint8_t value);
bool guardedWrite32(game::Address address, int32_t value);
bool guardedWriteFloat(game::Address address, float value);

// SaveSettings on gameMenu; true when it returned. No gate, no log.
bool callSaveSettings();

// callSaveSettings only when the bridge is supported and the persistence routines are intact;
// a caught fault is logged.
bool saveGameSettings();

// ReinitControls on gameControls; true when it returned. No gate, no log.
bool callReinitControls();

// The game's number of resolution modes; count 0 and false while the resolution gate is
// unreadable or zero, or on a fault. No nativeSupported gate: callers test it.
bool getResolutionModeCount(int32_t* count);

// Fills the record (zeroed first) for one mode; true when the game reported it filled.
bool getResolutionModeInfo(int32_t mode, ResolutionModeInfo* info);

// The binding, menu and volume routines, each called inside the guard; true when it returned.
// No gate: their callers test nativeSupported first.
bool callDeleteMatchingActionInitiators(int32_t action, int32_t key, int32_t type);
bool callClearActionSlot(int32_t action, int32_t type);

// ClearActionSlot, then the setter of the slot's kind with the key: SetMouseButtonForAction for
// the mouse slot, SetKeyboardKeyForAction otherwise. Both in one guard, so a fault in either
// stops the pair; a slot cleared before the fault stays cleared.
bool callClearActionSlotAndSetKey(int32_t action, int32_t type, int32_t key);

// Asks the game to open its own menu, as the game does itself: the start-request byte is set
// unless gameMenuActive already reads non-zero, and the game's next frame opens the menu. The
// read and the write share one guard. True when nothing faulted, also when the menu was up. No gate.
bool requestGameMenu();

// Switches the game's menu to its map page, only while gameMenuActive reads non-zero; the read
// and the call share one guard. False when the menu is not active or on a fault. No gate.
bool switchToMapPage();

// Whether the game's own list of display modes holds mode `mode`: *built is false (and *listed
// false) while the game has not built its list yet. False on a fault. No gate.
bool readVideoModeListed(int32_t mode, bool* built, bool* listed);

// The audio engine's routines, called as members with the menu's value; true when they returned.
bool callApplySfxVolume(uint8_t level);
bool callApplyMusicVolume(uint8_t level);
bool callApplyRadioEq(uint8_t on);
bool callApplyRadioAutoRetune(uint8_t on);
