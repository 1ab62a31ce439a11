// The game's own default control configuration for keyboard and mouse, as its controls manager
// sets it up on a first start and on "reset to defaults" (English keyboard layout, a mouse with
// three buttons and a wheel). Key codes are the game's: characters for letters, digits and
// punctuation, 1000-1055 for the other keys, 1056 for an empty keyboard slot, 0 for an empty
// mouse slot; mouse buttons 1 left, 2 middle, 3 right, 4 wheel up, 5 wheel down.
#pragma once

#include <cstdint>

#include "sim/sim_game.h"

namespace sim {

namespace key {
constexpr uint32_t kF5 = 1005, kInsert = 1013, kDelete = 1014, kHome = 1015, kEnd = 1016, kPageUp = 1017,
                   kPageDown = 1018, kUp = 1019, kDown = 1020, kLeft = 1021, kRight = 1022, kNumPlus = 1025,
                   kNumPoint = 1027, kNum1 = 1028, kNum2 = 1029, kNum4 = 1031, kNum6 = 1034, kNum8 = 1036,
                   kNum0 = 1038, kNumEnter = 1039, kTab = 1043, kCapsLock = 1044, kEnter = 1045, kLeftShift = 1046,
                   kLeftCtrl = 1049, kRightCtrl = 1050, kLeftAlt = 1051, kNone = 1056;
}  // namespace key

// [action][slot]: slots 0 and 1 keyboard, slot 2 mouse; actions in the game's order.
constexpr uint32_t kDefaultBindings[gta::kActionCount][gta::kSlotsPerAction] = {
    {key::kNum0, key::kLeftCtrl, 1},        // 0 fire
    {'\\', key::kNone, 0},                  // 1 fire (alternate)
    {'E', key::kNumEnter, 5},               // 2 next weapon
    {'Q', key::kNumPoint, 4},               // 3 previous weapon
    {key::kUp, 'W', 0},                     // 4 forward
    {key::kDown, 'S', 0},                   // 5 backward
    {key::kLeft, 'A', 0},                   // 6 left
    {key::kRight, 'D', 0},                  // 7 right
    {key::kPageUp, 'X', 4},                 // 8 zoom in
    {key::kPageDown, 'Z', 5},               // 9 zoom out
    {key::kEnter, 'F', 0},                  // 10 enter / exit vehicle
    {'V', key::kHome, 0},                   // 11 change camera
    {key::kLeftShift, key::kRightCtrl, 0},  // 12 jump
    {' ', key::kNone, 0},                   // 13 sprint
    {key::kNum1, key::kNone, 2},            // 14 look behind
    {'C', key::kNone, 0},                   // 15 crouch
    {key::kTab, key::kNone, 0},             // 16 action
    {key::kLeftAlt, key::kNone, 0},         // 17 walk
    {key::kRightCtrl, key::kLeftAlt, 1},    // 18 vehicle fire
    {key::kLeftCtrl, key::kNum0, 0},        // 19 vehicle secondary fire
    {'A', key::kLeft, 0},                   // 20 steer left
    {'D', key::kRight, 0},                  // 21 steer right
    {key::kUp, key::kNone, 0},              // 22 steer forward / down
    {key::kDown, key::kNone, 0},            // 23 steer back / up
    {'W', key::kNone, 0},                   // 24 accelerate
    {'S', key::kNone, 0},                   // 25 brake / reverse
    {key::kInsert, '4', 4},                 // 26 next radio station
    {key::kDelete, 'R', 5},                 // 27 previous radio station
    {key::kF5, key::kNone, 0},              // 28 user track skip
    {key::kCapsLock, 'H', 0},               // 29 horn
    {'2', key::kNumPlus, 0},                // 30 sub-mission
    {' ', key::kRightCtrl, 0},              // 31 handbrake
    {key::kNum4, key::kNone, 0},            // 32 look left (first person)
    {key::kNum6, key::kNone, 0},            // 33 look right (first person)
    {'Q', key::kNone, 0},                   // 34 vehicle look left
    {'E', key::kNone, 0},                   // 35 vehicle look right
    {key::kNone, key::kNone, 2},            // 36 vehicle look behind
    {key::kNone, key::kNone, 3},            // 37 mouse look
    {key::kNum4, key::kNone, 0},            // 38 turret left
    {key::kNum6, key::kNone, 0},            // 39 turret right
    {key::kNum2, key::kEnd, 0},             // 40 turret up
    {key::kNum8, key::kDelete, 0},          // 41 turret down
    {'[', key::kNone, 0},                   // 42 previous target
    {']', key::kNone, 0},                   // 43 next target
    {'#', key::kNone, 0},                   // 44 centre camera
    {key::kDelete, key::kCapsLock, 3},      // 45 aim weapon
    {key::kNone, key::kNone, 0},            // 46 network talk
    {'Y', key::kNone, 0},                   // 47 conversation: yes
    {'N', key::kNone, 0},                   // 48 conversation: no
    {'G', key::kNone, 0},                   // 49 group: recruit / follow
    {'H', key::kNone, 0},                   // 50 group: disband / stay
    {key::kNum2, key::kNone, 0},            // 51 look up (first person)
    {key::kNum8, key::kNone, 0},            // 52 look down (first person)
    {key::kNone, key::kNone, 0},            // 53 unused
    {key::kNone, key::kNone, 0},            // 54 toggle d-pad
    {key::kNone, key::kNone, 0},            // 55 debug camera
    {key::kNone, key::kNone, 0},            // 56 take screenshot
    {key::kNone, key::kNone, 0},            // 57 show mouse pointer
    {key::kNone, key::kNone, 0},            // 58 debug camera menu
};

}  // namespace sim
