// TembraUI page client: reads the game's state from the bridge and sends it actions, settings and
// bindings. No dependencies. Load it with <script src> (works from file:// pages, where Chromium
// refuses module imports) or with `import "./tembra.js"` in a module; both give globalThis.TembraUI.
(function (global) {
  "use strict";

  const DEFAULT_BRIDGE = "http://127.0.0.1:47651";
  // The module rebuilds its state at most every 120 ms. The same pause whether or not the page
  // reports itself hidden: the host shows and hides its browsers without telling the page, and
  // some hosts report every browser hidden, shown ones too.
  const DEFAULT_POLL_MS = 200;
  const REQUEST_TIMEOUT_MS = 1500;
  const FIRST_RETRY_MS = 500;           // while the bridge is down: 0.5 s, 1 s, 2 s, 4 s, then every 5 s
  const MAX_RETRY_MS = 5000;
  const AFTER_COMMAND_MS = 40;          // a queued command shows in "/state" a frame or two later

  const ACTIONS = [
    "continue", "map", "exit", "reset_controls", "capture_on", "capture_off",
    "loading_hide", "enable_esc", "disable_esc",
  ];

  const CAPTURE_KEYBOARD = 1;
  const CAPTURE_MOUSE = 2;
  const BINDING_KEY = 0;
  const BINDING_KEY_ALT = 1;
  const BINDING_MOUSE = 2;
  const NO_KEY = 0;
  const NO_KEY_GAME = 1056;  // the game's own "no key" code, as it stands in its bindings

  // The game's control actions in the order of its control configuration ("bindings" members).
  const ACTION_LIST = [
    ["Fire", "foot"], ["Fire (alternate)", "foot"], ["Next weapon", "foot"], ["Previous weapon", "foot"],
    ["Forward", "foot"], ["Backward", "foot"], ["Left", "foot"], ["Right", "foot"],
    ["Zoom in", "foot"], ["Zoom out", "foot"], ["Enter / exit vehicle", "foot"], ["Change camera", "foot"],
    ["Jump", "foot"], ["Sprint", "foot"], ["Look behind", "foot"], ["Crouch", "foot"],
    ["Action", "foot"], ["Walk", "foot"],
    ["Fire", "vehicle"], ["Secondary fire", "vehicle"], ["Steer left", "vehicle"], ["Steer right", "vehicle"],
    ["Steer forward / down", "vehicle"], ["Steer back / up", "vehicle"], ["Accelerate", "vehicle"], ["Brake / reverse", "vehicle"],
    ["Next radio station", "vehicle"], ["Previous radio station", "vehicle"], ["User track skip", "vehicle"],
    ["Horn", "vehicle"], ["Sub-mission", "vehicle"], ["Handbrake", "vehicle"],
    ["Look left (first person)", "foot"], ["Look right (first person)", "foot"],
    ["Look left", "vehicle"], ["Look right", "vehicle"], ["Look behind", "vehicle"], ["Mouse look", "vehicle"],
    ["Turret left", "vehicle"], ["Turret right", "vehicle"], ["Turret up", "vehicle"], ["Turret down", "vehicle"],
    ["Previous target", "foot"], ["Next target", "foot"], ["Centre camera", "foot"], ["Aim weapon", "foot"],
    ["Network talk", "other"], ["Conversation: yes", "foot"], ["Conversation: no", "foot"],
    ["Group: recruit / follow", "foot"], ["Group: disband / stay", "foot"],
    ["Look up (first person)", "foot"], ["Look down (first person)", "foot"],
    ["Unused", "other"], ["Toggle d-pad", "other"], ["Debug camera", "other"], ["Take screenshot", "other"],
    ["Show mouse pointer", "other"], ["Debug camera menu", "other"],
  ];
  const GAME_ACTIONS = Object.freeze(ACTION_LIST.map(([name, group], index) => Object.freeze({ index, name, group })));

  // The game's key codes 1000-1055 in order: [constant name, what the player reads].
  const SPECIAL_KEYS = [
    ["ESC", "Esc"], ["F1", "F1"], ["F2", "F2"], ["F3", "F3"], ["F4", "F4"], ["F5", "F5"], ["F6", "F6"],
    ["F7", "F7"], ["F8", "F8"], ["F9", "F9"], ["F10", "F10"], ["F11", "F11"], ["F12", "F12"],
    ["INSERT", "Insert"], ["DELETE", "Delete"], ["HOME", "Home"], ["END", "End"],
    ["PAGE_UP", "Page Up"], ["PAGE_DOWN", "Page Down"], ["UP", "Up"], ["DOWN", "Down"], ["LEFT", "Left"], ["RIGHT", "Right"],
    ["NUM_DIVIDE", "Num /"], ["NUM_MULTIPLY", "Num *"], ["NUM_ADD", "Num +"], ["NUM_SUBTRACT", "Num -"], ["NUM_DECIMAL", "Num ."],
    ["NUM_1", "Num 1"], ["NUM_2", "Num 2"], ["NUM_3", "Num 3"], ["NUM_4", "Num 4"], ["NUM_5", "Num 5"],
    ["NUM_LOCK", "Num Lock"], ["NUM_6", "Num 6"], ["NUM_7", "Num 7"], ["NUM_8", "Num 8"], ["NUM_9", "Num 9"], ["NUM_0", "Num 0"],
    ["NUM_ENTER", "Num Enter"], ["SCROLL_LOCK", "Scroll Lock"], ["PAUSE", "Pause"],
    ["BACKSPACE", "Backspace"], ["TAB", "Tab"], ["CAPS_LOCK", "Caps Lock"], ["ENTER", "Enter"],
    ["LEFT_SHIFT", "Left Shift"], ["RIGHT_SHIFT", "Right Shift"], ["SHIFT", "Shift"],
    ["LEFT_CTRL", "Left Ctrl"], ["RIGHT_CTRL", "Right Ctrl"], ["LEFT_ALT", "Left Alt"], ["RIGHT_ALT", "Right Alt"],
    ["LEFT_WIN", "Left Win"], ["RIGHT_WIN", "Right Win"], ["MENU", "Menu"],
  ];
  const FIRST_SPECIAL_KEY = 1000;
  // Letters and digits are their upper-case character codes ("W".charCodeAt(0)); these are the others.
  const KEYS = { SPACE: 32, NONE: NO_KEY_GAME };
  SPECIAL_KEYS.forEach(([name], index) => { KEYS[name] = FIRST_SPECIAL_KEY + index; });
  const MOUSE = { LEFT: 1, MIDDLE: 2, RIGHT: 3, WHEEL_UP: 4, WHEEL_DOWN: 5, BUTTON_4: 6, BUTTON_5: 7 };
  const MOUSE_BUTTONS = ["", "Left button", "Middle button", "Right button", "Wheel up", "Wheel down", "Mouse 4", "Mouse 5"];

  function keyName(code) {
    if (code === NO_KEY || code === NO_KEY_GAME || code < 0) return "";
    if (code === 32) return "Space";
    const special = SPECIAL_KEYS[code - FIRST_SPECIAL_KEY];
    if (special) return special[1];
    if (code > 32 && code < 127) return String.fromCharCode(code);
    return "Key " + code;
  }

  function mouseButtonName(code) {
    return MOUSE_BUTTONS[code] || (code > 0 ? "Mouse " + code : "");
  }

  // The game's mouse button code of a DOM mouse event (button) or wheel event (deltaY).
  function mouseCodeOfEvent(event) {
    if (event.type === "wheel") return event.deltaY < 0 ? 4 : 5;
    return [MOUSE.LEFT, MOUSE.MIDDLE, MOUSE.RIGHT, MOUSE.BUTTON_4, MOUSE.BUTTON_5][event.button] || 0;
  }

  // The values a setting can hold on the pages' 0..100 scale. The volumes are kept by the game in
  // 65 levels: page value p becomes level round(p x 64 / 100) and reads back as round(level x 100 / 64),
  // so only 65 page values exist and one step must reach the next of them (from 6 the next is 8).
  // Every other slider reads back each value 0..100 as itself; toggles hold 0 and 1, the radar 0..2.
  const VOLUME_LEVELS = 64;
  const volumeLevel = (value) => Math.floor((clampPercent(value) * VOLUME_LEVELS + 50) / 100);
  const volumeValue = (level) => Math.floor((level * 100 + VOLUME_LEVELS / 2) / VOLUME_LEVELS);
  const SCALED = { sfxVolume: true, musicVolume: true };
  const PERCENT = { brightness: true, drawDistance: true, mouseSensitivity: true };

  function clampPercent(value) {
    return Math.max(0, Math.min(100, Math.round(Number(value)) || 0));
  }

  // The value the game reads back after `value` was sent for a 0..100 setting.
  function settingValue(name, value) {
    return SCALED[name] ? volumeValue(volumeLevel(value)) : clampPercent(value);
  }

  // The next value the game holds from `value` in `direction` (+1 up, -1 down; larger numbers take
  // as many steps); the same value at the end of the scale.
  function stepSetting(name, value, direction) {
    let next = settingValue(name, value);
    for (let step = 0; step < Math.abs(direction); step++) {
      if (SCALED[name]) {
        const level = volumeLevel(next) + Math.sign(direction);
        next = volumeValue(Math.max(0, Math.min(VOLUME_LEVELS, level)));
      } else {
        next = clampPercent(next + Math.sign(direction));
      }
    }
    return next;
  }

  // Whether a setting is one of the 0..100 sliders that settingValue and stepSetting know.
  function isSliderSetting(name) {
    return Boolean(SCALED[name] || PERCENT[name]);
  }

  // Actions other than `except` whose slots of the same kind (keyboard or mouse) hold the key.
  function actionsHoldingKey(bindings, type, key, except) {
    if (!bindings || key === NO_KEY || key === NO_KEY_GAME) return [];
    const slots = type === BINDING_MOUSE ? [BINDING_MOUSE] : [BINDING_KEY, BINDING_KEY_ALT];
    const holders = [];
    for (const action of GAME_ACTIONS) {
      const keys = bindings[String(action.index)];
      if (!keys || action.index === except) continue;
      for (const slot of slots) {
        if (keys[slot] === key) holders.push({ action: action.index, name: action.name, group: action.group, type: slot });
      }
    }
    return holders;
  }

  // Missing members get the values the module reports before anything happened.
  function normalise(document) {
    const supported = document.supported === true;
    return {
      supported,
      menuOpen: document.menuOpen === true,
      menuGeneration: document.menuGeneration | 0,
      captureCancelCounter: document.captureCancelCounter | 0,
      capturedKey: typeof document.capturedKey === "number" ? document.capturedKey : -1,
      capturedKeyCounter: document.capturedKeyCounter | 0,
      settings: supported && document.settings && "sfxVolume" in document.settings ? document.settings : null,
      bindings: supported && document.bindings && "0" in document.bindings ? document.bindings : null,
    };
  }

  function sameJson(a, b) {
    return JSON.stringify(a) === JSON.stringify(b);
  }

  function createEmitter() {
    const handlers = new Map();
    return {
      on(type, handler) {
        if (!handlers.has(type)) handlers.set(type, new Set());
        handlers.get(type).add(handler);
        return () => handlers.get(type).delete(handler);
      },
      emit(type, ...args) {
        for (const handler of [...(handlers.get(type) || [])]) {
          // One page handler's fault must not stop the others or the polling.
          try { handler(...args); } catch (error) { setTimeout(() => { throw error; }); }
        }
      },
    };
  }

  function connect(options = {}) {
    const bridge = (options.bridge || DEFAULT_BRIDGE).replace(/\/$/, "");
    const pollMs = options.pollMs || DEFAULT_POLL_MS;
    // Only on request: a page cannot tell from document.hidden whether the host shows it.
    const hiddenPollMs = options.hiddenPollMs || pollMs;
    const log = options.log || null;  // e.g. console.info: one line per connection change
    const emitter = createEmitter();
    const doc = global.document;

    let state = null;
    let connected = null;  // null until the first answer or failure
    let retryMs = FIRST_RETRY_MS;
    let timer = null;
    let inFlight = false;
    let pollAgain = false;
    let stopped = false;

    async function request(path, params) {
      const query = params ? "?" + new URLSearchParams(
        Object.entries(params).map(([name, value]) => [name, String(value)])).toString() : "";
      const abort = new AbortController();
      const timeout = setTimeout(() => abort.abort(), REQUEST_TIMEOUT_MS);
      try {
        const answer = await fetch(bridge + path + query, { cache: "no-store", signal: abort.signal });
        const body = await answer.json();
        return { status: answer.status, body };
      } finally {
        clearTimeout(timeout);
      }
    }

    function setConnected(now, error) {
      if (connected === now) return;
      connected = now;
      if (log) log(now ? "TembraUI: bridge connected" : "TembraUI: bridge not reachable, retrying quietly");
      emitter.emit(now ? "connected" : "disconnected", error);
    }

    function schedule(delayMs) {
      if (stopped) return;
      clearTimeout(timer);
      timer = setTimeout(poll, delayMs);
    }

    function nextDelay() {
      if (!connected) {
        const delay = retryMs;
        retryMs = Math.min(retryMs * 2, MAX_RETRY_MS);
        return delay;
      }
      return doc && doc.hidden ? hiddenPollMs : pollMs;
    }

    function publish(next) {
      const previous = state;
      state = next;
      emitter.emit("state", next, previous);
      const before = previous || normalise({});
      if (previous === null || next.supported !== before.supported) emitter.emit("supported", next.supported);
      if (previous === null || next.menuOpen !== before.menuOpen) emitter.emit("menuOpen", next.menuOpen);
      if (previous !== null && next.menuGeneration !== before.menuGeneration) emitter.emit("menuGeneration", next.menuGeneration);
      if (previous !== null && next.capturedKeyCounter !== before.capturedKeyCounter) {
        emitter.emit("capturedKey", next.capturedKey, next.capturedKeyCounter);
      }
      if (previous !== null && next.captureCancelCounter !== before.captureCancelCounter) {
        emitter.emit("captureCancelled", next.captureCancelCounter);
      }
      if (!sameJson(next.settings, before.settings)) emitter.emit("settings", next.settings, previous && previous.settings);
      if (!sameJson(next.bindings, before.bindings)) emitter.emit("bindings", next.bindings, previous && previous.bindings);
    }

    // One request at a time; the next one is scheduled only after this one has ended, so a slow
    // bridge never has requests piling up.
    async function poll() {
      if (stopped) return;
      if (inFlight) { pollAgain = true; return; }
      inFlight = true;
      clearTimeout(timer);
      try {
        const { status, body } = await request("/state");
        if (status !== 200 || typeof body !== "object" || body === null) throw new Error("bad /state answer " + status);
        retryMs = FIRST_RETRY_MS;
        setConnected(true);
        const next = normalise(body);
        emitter.emit("document", body);
        if (!sameJson(next, state)) publish(next);
      } catch (error) {
        setConnected(false, error);
      } finally {
        inFlight = false;
        if (pollAgain) { pollAgain = false; schedule(0); } else { schedule(nextDelay()); }
      }
    }

    // Every command answers {ok, status, error?}; nothing throws, also while the bridge is down.
    async function command(path, params) {
      if (stopped) return { ok: false, status: 0, error: "stopped" };
      try {
        const { status, body } = await request(path, params);
        const ok = status === 200 && body && body.ok === true;
        if (ok) schedule(AFTER_COMMAND_MS);
        return ok ? { ok, status } : { ok, status, error: (body && body.error) || "refused" };
      } catch (error) {
        setConnected(false, error);
        return { ok: false, status: 0, error: "bridge not reachable" };
      }
    }

    // Resolves with the first state that satisfies the test (checked at once and on every
    // change), or with null after timeoutMs.
    function waitFor(test, timeoutMs = 5000) {
      return new Promise((resolve) => {
        if (state && test(state)) { resolve(state); return; }
        const off = emitter.on("state", (next) => {
          if (!test(next)) return;
          clearTimeout(timeout); off(); resolve(next);
        });
        const timeout = setTimeout(() => { off(); resolve(null); }, timeoutMs);
      });
    }

    function onVisibility() {
      if (!doc.hidden) schedule(0);
    }
    if (doc && hiddenPollMs !== pollMs) doc.addEventListener("visibilitychange", onVisibility);
    schedule(0);

    return {
      get state() { return state; },
      get connected() { return connected === true; },
      on: emitter.on,
      waitFor,
      refresh() { schedule(0); },
      stop() {
        stopped = true;
        clearTimeout(timer);
        if (doc) doc.removeEventListener("visibilitychange", onVisibility);
      },
      action(name, params) {
        if (!ACTIONS.includes(name)) return Promise.resolve({ ok: false, status: 0, error: "unknown action" });
        return command("/action", Object.assign({ name }, params));
      },
      continueGame() { return this.action("continue"); },
      openMap() { return this.action("map"); },
      exitGame() { return this.action("exit"); },
      resetControls() { return this.action("reset_controls"); },
      captureOn(type = CAPTURE_KEYBOARD) { return this.action("capture_on", { type }); },
      captureOff() { return this.action("capture_off"); },
      hideLoading() { return this.action("loading_hide"); },
      enableEsc() { return this.action("enable_esc"); },
      disableEsc() { return this.action("disable_esc"); },
      setting(name, value) { return command("/setting", { name, value: Math.round(Number(value)) }); },
      bind(action, type, key) { return command("/bind", { action, type, key }); },
      clearBinding(action, type) { return command("/bind", { action, type, key: NO_KEY }); },
    };
  }

  global.TembraUI = Object.freeze({
    connect,
    keyName,
    mouseButtonName,
    mouseCodeOfEvent,
    actionsHoldingKey,
    settingValue,
    stepSetting,
    isSliderSetting,
    normalise,
    GAME_ACTIONS,
    ACTIONS: Object.freeze(ACTIONS.slice()),
    CAPTURE_KEYBOARD,
    CAPTURE_MOUSE,
    BINDING_KEY,
    BINDING_KEY_ALT,
    BINDING_MOUSE,
    NO_KEY,
    NO_KEY_GAME,
    KEYS: Object.freeze(KEYS),
    MOUSE: Object.freeze(MOUSE),
    DEFAULT_BRIDGE,
  });
})(globalThis);
