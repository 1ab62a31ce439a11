// The module's rules for settings and bindings, as the mock applies them: the conversions between
// the pages' scale and the game's values, the resolution modes a page may choose, and what a
// binding does to the control configuration. They follow native/setting_rules.cpp,
// native/game_settings.cpp, native/state_json.cpp and the game's binding routines; when those
// change, change this file: the contract table (tests/browser/bridge-contract.json) runs against
// both and shows where they differ.

export const NO_KEY = 1056;
export const MIN_MODE_WIDTH = 640;
export const MIN_MODE_HEIGHT = 480;
const BRIGHTNESS_MAX = 512;
const VOLUME_LEVEL_MAX = 64;
const f = Math.fround;
const MOUSE_SENSITIVITY = { min: f(0.00025), span: f(0.00475) };
const DRAW_DISTANCE = { min: f(0.8), span: f(0.99999994) };

const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
export const clampPercent = (value) => clamp(value, 0, 100);

// Each step rounded to single precision on its own, as the game stores floats.
const scaleFromPage = (value, { min, span }) => f(f(f(f(clampPercent(value)) / 100) * span) + min);
function scaleToPage(value, { min, span }) {
  const share = f(f(value - min) / span);
  if (!(share >= 0)) return 0;
  if (share > 1) return 100;
  return Math.trunc(f(f(share * 100) + 0.5));
}

// name -> { fromPage(value) -> game value, toPage(game value) -> state document value }. The
// game's starting values are those of the simulated game (tests/sim/sim_game.cpp).
const toggle = (start) => ({ start, fromPage: (value) => (value !== 0 ? 1 : 0), toPage: (value) => value !== 0 });
const volume = {
  start: 64,
  fromPage: (value) => Math.trunc((clampPercent(value) * VOLUME_LEVEL_MAX + 50) / 100),
  toPage: (level) => Math.trunc(level * 100 / VOLUME_LEVEL_MAX),
};
export const SETTINGS = {
  mouseSensitivity: { start: f(0.0025), fromPage: (v) => scaleFromPage(v, MOUSE_SENSITIVITY), toPage: (v) => scaleToPage(v, MOUSE_SENSITIVITY) },
  invertY: toggle(0),
  mouseSteer: toggle(1),
  mouseFly: toggle(1),
  brightness: {
    start: 256,
    fromPage: (value) => clamp(Math.trunc(clampPercent(value) * BRIGHTNESS_MAX / 100), 0, BRIGHTNESS_MAX),
    toPage: (value) => clamp(Math.trunc(value * 100 / BRIGHTNESS_MAX), 0, 100),
  },
  drawDistance: { start: f(1.2), fromPage: (v) => scaleFromPage(v, DRAW_DISTANCE), toPage: (v) => scaleToPage(v, DRAW_DISTANCE) },
  widescreen: toggle(0),
  frameLimiter: toggle(1),
  hud: toggle(1),
  subtitles: toggle(1),
  radarMode: { start: 0, fromPage: (value) => clamp(value, 0, 2), toPage: (value) => clamp(value, 0, 2) },
  sfxVolume: { ...volume, routine: "ApplySfxVolume" },
  musicVolume: { ...volume, routine: "ApplyMusicVolume" },
  radioEq: toggle(1),
  radioAuto: toggle(1),
};
// The document lists the settings in this order, then the resolution.
export const SETTING_ORDER = ["mouseSensitivity", "invertY", "mouseSteer", "mouseFly", "brightness", "drawDistance",
  "widescreen", "frameLimiter", "hud", "subtitles", "radarMode", "sfxVolume", "musicVolume", "radioEq", "radioAuto"];

// Only a mode the game lists, at least 640 x 480, may be selected.
export function modeSelectable(modes, mode) {
  const size = modes[mode];
  return Number.isInteger(mode) && mode >= 0 && size !== undefined && size[0] >= MIN_MODE_WIDTH && size[1] >= MIN_MODE_HEIGHT;
}

// Each size once, by width then height, the current mode's index kept for its size, else the lowest.
export function resolutionOptions(modes, current) {
  const bySize = new Map();
  modes.forEach(([width, height], mode) => {
    if (width < MIN_MODE_WIDTH || height < MIN_MODE_HEIGHT) return;
    const key = `${width}x${height}`;
    if (!bySize.has(key) || mode === current) bySize.set(key, { mode, width, height });
  });
  return [...bySize.values()].sort((a, b) => a.width - b.width || a.height - b.height);
}

// A binding as the game's routines carry it out, one step per routine: the key leaves every slot
// of its kind (both keyboard slots, or the mouse slot) of every action, then the slot is cleared
// and set. Each step is { call, apply }: the call as the event feed names it, and its effect on
// the table, which a faulting routine never has. 0 and 1056 only clear the slot.
export function bindingSteps(table, action, type, key) {
  const mouse = type === 2;
  const clearsOnly = key === 0 || key === NO_KEY;
  const steps = [];
  if (!clearsOnly) {
    steps.push({
      call: `DeleteMatchingActionInitiators(${action}, ${key | 0}, ${type})`,
      apply: () => table.forEach((slots) => {
        for (const slot of mouse ? [2] : [0, 1]) if (slots[slot] === key) slots[slot] = mouse ? 0 : NO_KEY;
      }),
    });
  }
  steps.push({ call: `ClearActionSlot(${action}, ${type})`, apply: () => { table[action][type] = mouse ? 0 : NO_KEY; } });
  if (!clearsOnly) {
    steps.push({
      call: mouse ? `SetMouseButtonForAction(${action}, ${key | 0})` : `SetKeyboardKeyForAction(${action}, ${key | 0}, ${type})`,
      apply: () => { table[action][type] = key; },
    });
  }
  return steps;
}
