// The player's game without Wine: the module's behaviour towards the host, the pages and the
// game, played in Node. The game's state (settings in the game's own values, the control
// configuration, the display modes) is kept here; the rules that turn page values into game
// values are in mock-game-rules.mjs. Same events as wine-session.mjs.
import { EventEmitter } from "node:events";
import { HostView } from "./host-view.mjs";
import { startMockBridge } from "./mock-bridge.mjs";
import { SETTINGS, SETTING_ORDER, bindingSteps, modeSelectable, resolutionOptions } from "./mock-game-rules.mjs";
import { FLOAT_VALUES, captureFromLog } from "./wine-session.mjs";
import { DEFAULT_BINDINGS } from "./mock-default-bindings.mjs";
import { GAME_ROUTINES } from "./game-routines.mjs";

const ID = { loading: 0x7f002003, pause: 0x7f002009, hud: 0x7f002002 };
const ORIGIN = "http://tembra.local";
const FRAME_MS = 16;
const SETTINGS_SAVE_DELAY_MS = 200;
const CREATE_DELAY_MS = 300;
const PLAYER_SPAWN_MS = 3000;
// The simulated game's display modes (width, height, flags: 1 exclusive): the desktop's windowed
// mode 0, then full-screen modes, 1366 x 768 among them; the current one is 3.
const DEFAULT_MODES = [[1920, 1080, 0], [640, 480, 1], [800, 600, 1], [1024, 768, 1], [1280, 720, 1], [1366, 768, 1], [1920, 1080, 1]];
const DEFAULT_MODE = 3;

// xdotool's key names -> the game's key codes, for key capture.
const KEY_CODES = {
  Escape: 1000, Insert: 1013, Delete: 1014, Home: 1015, End: 1016, Prior: 1017, Next: 1018, Up: 1019, Down: 1020,
  Left: 1021, Right: 1022, KP_Divide: 1023, KP_Multiply: 1024, KP_Add: 1025, KP_Subtract: 1026, KP_Decimal: 1027,
  KP_1: 1028, KP_2: 1029, KP_3: 1030, KP_4: 1031, KP_5: 1032, Num_Lock: 1033, KP_6: 1034, KP_7: 1035, KP_8: 1036,
  KP_9: 1037, KP_0: 1038, KP_Enter: 1039, Scroll_Lock: 1040, Pause: 1041, BackSpace: 1042, Tab: 1043,
  Caps_Lock: 1044, Return: 1045, Shift_L: 1046, Shift_R: 1047, Control_L: 1049, Control_R: 1050, Alt_L: 1051,
  Alt_R: 1052, space: 32, minus: 45, equal: 61, bracketleft: 91, bracketright: 93, backslash: 92, semicolon: 59,
  apostrophe: 39, comma: 44, period: 46, slash: 47, grave: 96,
};
export function gameKeyCode(name) {
  if (/^[a-z0-9]$/i.test(name)) return name.toUpperCase().charCodeAt(0);
  const f = /^F([1-9]|1[0-2])$/.exec(name);
  if (f) return 1000 + Number(f[1]);
  return KEY_CODES[name] ?? -1;
}

export function startMockSession({ savePatched = false, port } = {}) {
  const session = new EventEmitter();
  const view = new HostView();
  const startedAt = Date.now();
  const settings = Object.fromEntries(Object.entries(SETTINGS).map(([name, rule]) => [name, rule.start]));
  const game = { settings, resolutionMode: DEFAULT_MODE, modes: DEFAULT_MODES.slice(), bindings: DEFAULT_BINDINGS.map((slots) => slots.slice()),
                 playerInWorld: false, windowShown: true, gameMenuUp: false, faults: new Set() };
  const module = { menuOpen: false, menuGeneration: 0, captureCancelCounter: 0, capturedKey: -1, capturedKeyCounter: 0,
                   capture: 0, escEnabled: false, loadingHidden: false };
  Object.assign(session, { kind: "mock", view, savePatched, capture: null, game, module });

  const log = (line) => {
    session.emit("log", line);
    const capture = captureFromLog(line, session.capture);
    if (capture !== session.capture) { session.capture = capture; session.emit("capture", capture); }
  };
  const feed = (text) => session.emit("feed", { source: "game", text });
  view.on("change", (entry, what) => session.emit("feed", { source: "host", text: `${entry.name}: ${what}` }));
  const host = (kind, id, flag, url) => view.follow({ kind, id, flag, url });

  function openMenu() {
    host("hide", ID.hud, 1); host("hide", ID.pause, 0); host("focus", ID.pause, 1);
    module.menuOpen = true;
    module.menuGeneration++;
    log(`[MENU] OPEN. generation=${module.menuGeneration} (HUD hidden under pause)`);
  }
  function closeMenu() {
    host("focus", ID.pause, 0); host("hide", ID.pause, 1); host("hide", ID.hud, 0);
    module.menuOpen = false;
    module.capture = 0;
    log("[MENU] CLOSED (HUD restored).");
  }
  const routine = (call) => {
    feed(call);
    if (game.faults.has(call.split("(")[0])) throw new Error(call);
  };
  // The game's own save, which a patched build's module never calls; a fault in it is swallowed.
  const save = () => { if (!savePatched) { try { routine("SaveSettings()"); } catch { log("[NATIVE] EXCEPTION in SaveSettings."); } } };
  // Settings are saved 200 ms after the last change, so a dragged slider costs one save.
  let saveTimer = null;
  const saveSettingsSoon = () => {
    clearTimeout(saveTimer);
    saveTimer = setTimeout(() => {
      if (savePatched) { log("[NATIVE] Settings applied for current session (persistence helper is patched)."); return; }
      log("[NATIVE] Saving changed GTA settings...");
      save();
      log("[NATIVE] Settings persisted. save=YES");
    }, SETTINGS_SAVE_DELAY_MS);
  };

  // Game thread work, one frame after the bridge took the command.
  const commands = {
    action({ name, type }) {
      if (name === "continue") { if (view.browsers.get(ID.pause)?.visible) closeMenu(); log("[BRIDGE] Action: CONTINUE accepted"); }
      // The game's menu is asked for through its start-request byte and comes up in the game's next frame.
      else if (name === "map") { closeMenu(); feed("menuStartRequest = 1"); game.gameMenuUp = true; routine("SwitchMenuPage(5)"); log("[MENU] Native map requested."); }
      else if (name === "exit") { log("[MENU] Exit confirmed by user."); feed("window closed (WM_CLOSE)"); session.emit("exit", 0); }
      else if (name === "reset_controls") {
        try { routine("ReinitControls()"); } catch { log("[NATIVE] EXCEPTION in ReinitControls."); return; }
        game.bindings = DEFAULT_BINDINGS.map((slots) => slots.slice());
        save();
        log("[NATIVE] Controls reset to GTA defaults and saved.");
      }
      else if (name === "capture_on") { module.capture = type; module.capturedKey = -1; log(type === 2 ? "[CAPTURE] Mouse capture enabled." : "[CAPTURE] Keyboard capture enabled."); }
      else if (name === "capture_off") { module.capture = 0; log("[CAPTURE] Capture disabled."); }
      else if (name === "loading_hide") { module.loadingHidden = true; host("focus", ID.loading, 0); host("hide", ID.loading, 1); log("[LOADING] Hidden. AUTH page is ready."); }
      else if (name === "enable_esc") module.escEnabled = true;
      else if (name === "disable_esc") module.escEnabled = false;
    },
    setting({ name, value }) {
      const rule = SETTINGS[name];
      if (name === "resolutionMode") {
        if (!modeSelectable(game.modes, value)) {
          log(`[NATIVE] Resolution mode ${value} refused: the game does not offer it.`);
          log(`[NATIVE] Setting rejected/unsupported: ${name}`);
          return;
        }
        game.resolutionMode = value;
      } else if (!rule) { log(`[NATIVE] Setting rejected/unsupported: ${name}`); return; }
      else {
        game.settings[name] = rule.fromPage(value);
        if (rule.routine) { try { routine(`${rule.routine}(${game.settings[name]})`); } catch { /* the level is kept */ } }
      }
      const written = name === "resolutionMode" ? value : game.settings[name];
      feed(`${name} = ${FLOAT_VALUES.has(name) ? written.toPrecision(6) : written}`);
      saveSettingsSoon();
    },
    bind({ action, type, key }) {
      const described = `action=${action} type=${type} key=${key}`;
      const steps = bindingSteps(game.bindings, action, type, key);
      if (steps.length === 0) { log(`[NATIVE] Binding refused (a key the game cannot bind there): ${described}`); return; }
      for (const step of steps) {
        try { routine(step.call); } catch {
          log(step.deletion ? "[NATIVE] EXCEPTION in DeleteMatchingActionInitiators." : "[NATIVE] EXCEPTION while changing binding.");
          return;
        }
        step.apply();
      }
      log(`[NATIVE] Binding applied by GTA rules: ${described}`);
      save();
      log(`[NATIVE] Binding saved: ${described}`);
    },
  };

  const bridgeGame = {
    log,
    // The module's queue is taken by the game's frames; with the window hidden nothing takes it.
    command(command) {
      if (!game.windowShown) return false;
      setTimeout(() => commands[command.kind](command), FRAME_MS);
      return true;
    },
    stateDocument() {
      const head = `"supported":true,"menuOpen":${module.menuOpen},"menuGeneration":${module.menuGeneration},` +
        `"captureCancelCounter":${module.captureCancelCounter},"capturedKey":${module.capturedKey},"capturedKeyCounter":${module.capturedKeyCounter}`;
      const values = SETTING_ORDER.map((name) => `"${name}":${JSON.stringify(SETTINGS[name].toPage(game.settings[name]))}`);
      const mode = game.modes[game.resolutionMode] || [0, 0];
      const options = resolutionOptions(game.modes, game.resolutionMode).map((o) => `{"mode":${o.mode},"width":${o.width},"height":${o.height}}`);
      const ordered = [...values.slice(0, 15)];
      ordered.push(`"resolutionMode":${game.resolutionMode}`, `"resolutionWidth":${mode[0]}`, `"resolutionHeight":${mode[1]}`, `"resolutionOptions":[${options.join(",")}]`);
      const bindings = game.bindings.map((slots, action) => `"${action}":[${slots.join(",")}]`);
      return `{${head},"settings":{${ordered.join(",")}},"bindings":{${bindings.join(",")}}}`;
    },
  };

  // The game's keyboard: the module's hook sees every key first.
  session.pressKey = async (name) => {
    const code = gameKeyCode(name);
    if (module.capture && name === "Escape") {
      module.capture = 0; module.captureCancelCounter++; module.capturedKey = -1;
      log("[CAPTURE] Cancelled by ESC.");
    } else if (module.capture === 1 && code >= 0) {
      module.capturedKey = code; module.capturedKeyCounter++;
      log(`[CAPTURE] Native keyboard key captured. key=${code}`);
    } else if (name === "Escape" && game.gameMenuUp) {
      game.gameMenuUp = false;  // ESC belongs to the game while its menu is up: it leaves it
    } else if (name === "Escape" && module.escEnabled && game.windowShown) {
      log(module.menuOpen ? "[ESC] Close pause menu request." : "[ESC] Open pause menu request.");
      if (module.menuOpen) closeMenu(); else openMenu();
    }
  };

  // The same command lines as the simulated game's (sim/player_controls.h).
  session.control = (line) => {
    const [verb, what, more, key] = line.trim().split(/\s+/);
    let done = true;
    if (verb === "player" && (what === "in" || what === "out")) { game.playerInWorld = what === "in"; module.escEnabled = game.playerInWorld; }
    else if (verb === "window" && (what === "hidden" || what === "shown")) game.windowShown = what === "shown";
    else if (verb === "menu" && (what === "up" || what === "down")) game.gameMenuUp = what === "up";
    else if (verb === "fault" && GAME_ROUTINES.includes(what) && (more === "on" || more === "off")) { if (more === "on") game.faults.add(what); else game.faults.delete(what); }
    else if (verb === "modes" && /^\d+x\d+(,\d+x\d+)*$/.test(what || "")) game.modes = what.split(",").map((size) => size.split("x").map(Number));
    else if (verb === "bind" && Number(what) >= 0 && Number(what) < 59 && Number(more) >= 0 && Number(more) < 3 && key !== undefined) game.bindings[Number(what)][Number(more)] = Number(key) >>> 0;
    else if (verb === "defaults") game.bindings = DEFAULT_BINDINGS.map((slots) => slots.slice());
    else done = false;
    feed(`control: ${done ? "" : "refused "}${line}`);
  };

  const timers = [
    setTimeout(() => {
      host("create", ID.loading, 0, `${ORIGIN}/loading/index.html`); host("focus", ID.loading, 1);
      host("create", ID.pause, 0, `${ORIGIN}/pause/index.html`); host("focus", ID.pause, 0); host("hide", ID.pause, 1);
      host("create", ID.hud, 0, `${ORIGIN}/hud/index.html`);
    }, CREATE_DELAY_MS),
    setTimeout(() => {
      game.playerInWorld = true; module.escEnabled = true;
      feed("the player is in the world: Esc opens the pause menu");
      log("[ESC] Player ped detected in world -> ESC enabled.");
    }, PLAYER_SPAWN_MS),
  ];
  log("[MOCK] The bridge and the game are played in Node, no Wine" + (savePatched ? " (save routine patched)" : ""));
  if (savePatched) log("[NATIVE] settings persistence=NO (session only)");
  const bridge = startMockBridge(bridgeGame, port);
  bridge.catch((error) => feed("the mock bridge could not listen: " + error.message));
  session.ready = bridge;
  session.stop = async () => {
    timers.forEach(clearTimeout);
    clearTimeout(saveTimer);
    const server = await bridge.catch(() => null);
    if (server) await new Promise((resolve) => server.close(resolve));
  };
  session.startedAt = startedAt;
  return session;
}
