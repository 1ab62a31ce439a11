// The module's rules for settings and bindings, as the mock applies them: the conversions between
// the pages' scale and the game's values, the resolution modes a page may choose, and what a
// binding does to the control configuration. They follow native/setting_rules.cpp,
// native/game_settings.cpp, native/state_json.cpp and the game's binding routines; when those
// change, change this file: the contract table (tests/browser/bridge-contract.json) runs against
// both and shows where they differ.

export const NO_KEY = 1056;
export const MIN_MODE_WIDTH = 640;
export const MIN_MODE_HEIGHT = 480;
const EXCLUSIVE = 1;
const BRIGHTNESS_MAX = 384;
const VOLUME_LEVEL_MAX = 64;
const f = Math.fround;
// The ranges of the game's own sliders.
const MOUSE_SENSITIVITY = { min: f(1 / 3200), max: f(1 / 200) };
const DRAW_DISTANCE = { min: f(0.925), max: f(1.8) };

const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
export const clampPercent = (value) => clamp(value, 0, 100);

// Each step rounded to single precision on its own, as the game stores floats; the end of the
// range is kept where the last step rounds past it.
const scaleFromPage = (value, { min, max }) => clamp(f(f(f(f(clampPercent(value)) / 100) * f(max - min)) + min), min, max);
function scaleToPage(value, { min, max }) {
  const share = f(f(value - min) / f(max - min));
  if (!(share >= 0)) return 0;
  if (share > 1) return 100;
  return Math.trunc(f(f(share * 100) + 0.5));
}
// Nearest of 0..steps for a page value and nearest percent for a step, halves upwards.
const stepFromPage = (value, steps) => Math.trunc((clampPercent(value) * steps + 50) / 100);
const stepToPage = (step, steps) => (step < 0 ? 0 : clamp(Math.trunc((step * 100 + Math.trunc(steps / 2)) / steps), 0, 100));

// name -> { fromPage(value) -> game value, toPage(game value) -> state document value }. The
// game's starting values are those of the simulated game (sim/sim_game.cpp).
const toggle = (start) => ({ start, fromPage: (value) => (value !== 0 ? 1 : 0), toPage: (value) => value !== 0 });
// The game's menu shows "invert mouse" ON for 0.
const invertedToggle = (start) => ({ start, fromPage: (value) => (value !== 0 ? 0 : 1), toPage: (value) => value === 0 });
const volume = {
  start: 64,
  fromPage: (value) => stepFromPage(value, VOLUME_LEVEL_MAX),
  toPage: (level) => stepToPage(level, VOLUME_LEVEL_MAX),
};
export const SETTINGS = {
  mouseSensitivity: { start: f(0.0025), fromPage: (v) => scaleFromPage(v, MOUSE_SENSITIVITY), toPage: (v) => scaleToPage(v, MOUSE_SENSITIVITY) },
  invertY: invertedToggle(0),
  mouseSteer: toggle(1),
  mouseFly: toggle(1),
  brightness: {
    start: 256,
    fromPage: (value) => stepFromPage(value, BRIGHTNESS_MAX),
    toPage: (value) => stepToPage(value, BRIGHTNESS_MAX),
  },
  drawDistance: { start: f(1.2), fromPage: (v) => scaleFromPage(v, DRAW_DISTANCE), toPage: (v) => scaleToPage(v, DRAW_DISTANCE) },
  widescreen: toggle(0),
  frameLimiter: toggle(1),
  hud: toggle(1),
  subtitles: toggle(1),
  radarMode: { start: 0, fromPage: (value) => clamp(value, 0, 2), toPage: (value) => clamp(value, 0, 2) },
  sfxVolume: { ...volume, routine: "ApplySfxVolume" },
  musicVolume: { ...volume, routine: "ApplyMusicVolume" },
  radioEq: { ...toggle(1), routine: "ApplyRadioEq" },
  radioAuto: { ...toggle(1), routine: "ApplyRadioAutoRetune" },
};
// The document lists the settings in this order, then the resolution.
export const SETTING_ORDER = ["mouseSensitivity", "invertY", "mouseSteer", "mouseFly", "brightness", "drawDistance",
  "widescreen", "frameLimiter", "hud", "subtitles", "radarMode", "sfxVolume", "musicVolume", "radioEq", "radioAuto"];

// The game's own list of display modes, by its rules (modes are [width, height, flags]): exclusive,
// at least 640 x 480, and a height to width of exactly 4:3, 5:4, 5:3, 16:10 or 16:9. (The game also
// leaves out modes its video memory cannot hold; the mock's card has room for all.)
const RATIOS = [[3, 4], [4, 5], [3, 5], [10, 16], [9, 16]];
export function gameOffersMode([width, height, flags = EXCLUSIVE]) {
  if ((flags & EXCLUSIVE) === 0 || width < MIN_MODE_WIDTH || height < MIN_MODE_HEIGHT) return false;
  return RATIOS.some(([h, w]) => height * w === width * h);
}

export function modeSelectable(modes, mode) {
  return Number.isInteger(mode) && mode >= 0 && modes[mode] !== undefined && gameOffersMode(modes[mode]);
}

// Each size once, by width then height, the current mode's index kept for its size, else the lowest.
export function resolutionOptions(modes, current) {
  const bySize = new Map();
  modes.forEach((size, mode) => {
    if (!gameOffersMode(size)) return;
    const [width, height] = size;
    const key = `${width}x${height}`;
    if (!bySize.has(key) || mode === current) bySize.set(key, { mode, width, height });
  });
  return [...bySize.values()].sort((a, b) => a.width - b.width || a.height - b.height);
}

// The keys the game's controls menu binds: on a keyboard slot the character codes 1..255 it names
// (not ^ or 178) and 1001..1055 less F1-F3 and the Windows keys; on the mouse slot 1..7. -1, 0 and
// 1056 clear the slot; anything else is refused.
const MENU_REFUSED = new Set([1001, 1002, 1003, 1053, 1054]);
export function bindingKind(type, key) {
  if (key === 0 || key === NO_KEY || key === -1 || key === 0xffffffff) return "clear";
  if (type === 2) return key >= 1 && key <= 7 ? "set" : "refused";
  if (key >= 1 && key <= 255) return key === 94 || key === 178 ? "refused" : "set";
  return key >= 1001 && key <= 1055 && !MENU_REFUSED.has(key) ? "set" : "refused";
}

// A binding as the game's routines carry it out, one step per routine: the key leaves every slot
// of one kind at a time (the keyboard kinds 0 and 1 for a key, the mouse kind for a button), then
// the slot is cleared and set. Each step is { call, apply, deletion }: the call as the event feed names it,
// and its effect on the table, which a faulting routine never has. "No key" only clears the slot;
// a refused key has no steps.
export function bindingSteps(table, action, type, key) {
  const mouse = type === 2;
  const kind = bindingKind(type, key);
  const steps = [];
  if (kind === "refused") return steps;
  if (kind === "set") {
    for (const kindOfSlot of mouse ? [2] : [0, 1]) {
      steps.push({
        deletion: true,
        call: `DeleteMatchingActionInitiators(${action}, ${key | 0}, ${kindOfSlot})`,
        apply: () => table.forEach((slots) => { if (slots[kindOfSlot] === key) slots[kindOfSlot] = mouse ? 0 : NO_KEY; }),
      });
    }
  }
  steps.push({ call: `ClearActionSlot(${action}, ${type})`, apply: () => { table[action][type] = mouse ? 0 : NO_KEY; } });
  if (kind === "set") {
    steps.push({
      call: mouse ? `SetMouseButtonForAction(${action}, ${key | 0})` : `SetKeyboardKeyForAction(${action}, ${key | 0}, ${type})`,
      apply: () => { table[action][type] = key; },
    });
  }
  return steps;
}
