// The player page: the module's browsers as frames over the game's picture, shown, hidden and
// focused as the module asks the host; the game's keys sent to the game's keyboard; beside the
// screen the state document, the event feed, the module's log and the pages' console.
(function () {
  "use strict";
  const T = globalThis.TembraUI;
  const params = new URLSearchParams(location.search);
  const headless = params.has("headless");
  const bridge = params.get("bridge") || T.DEFAULT_BRIDGE;
  const STATE_POLL_MS = 250;
  const MAX_LINES = 300;
  const $ = (id) => document.getElementById(id);
  const screen = $("screen");
  const frames = new Map();  // browser id -> iframe
  let size = { width: 1920, height: 1080 };
  let capture = null;
  let focusedId = null;

  if (headless) document.body.classList.add("headless");

  // ---- The screen: the game's picture at the chosen size, scaled to fit ----

  function fit() {
    screen.style.width = size.width + "px";
    screen.style.height = size.height + "px";
    const stage = $("stage");
    const scale = headless ? 1 : Math.min(stage.clientWidth / size.width, stage.clientHeight / size.height);
    screen.style.transform = `scale(${scale})`;
  }
  addEventListener("resize", fit);

  function showBrowsers(browsers) {
    browsers.forEach((browser, layer) => {
      let frame = frames.get(browser.id);
      if (!frame) {
        frame = document.createElement("iframe");
        frame.title = browser.name;
        frame.name = browser.name;
        frame.dataset.name = browser.name;
        frame.src = browser.url;
        frame.addEventListener("load", () => hookKeys(frame));
        frames.set(browser.id, frame);
        $("layers").append(frame);  // never moved again: a frame moved in the document loads anew
      }
      frame.style.zIndex = String(layer + 1);  // the list comes in stacking order, bottom first
      frame.classList.toggle("hidden", !browser.visible);
      frame.classList.toggle("focused", browser.visible && browser.focused);
    });
    const focused = browsers.find((browser) => browser.visible && browser.focused);
    const id = focused ? focused.id : null;
    if (id === focusedId) return;
    focusedId = id;
    // The host hands the input focus to its browser; without one the keys go to the game.
    if (focused) frames.get(id).focus();
    else if (!document.activeElement.closest("#panel")) screen.focus();  // an author typing in the panel keeps it
  }

  // ---- Keys: the game's go through its keyboard, the rest reach the focused page ----

  const NAMED = {
    Escape: "Escape", Enter: "Return", NumpadEnter: "KP_Enter", Tab: "Tab", Space: "space", Backspace: "BackSpace",
    Delete: "Delete", Insert: "Insert", Home: "Home", End: "End", PageUp: "Prior", PageDown: "Next",
    ArrowUp: "Up", ArrowDown: "Down", ArrowLeft: "Left", ArrowRight: "Right", ShiftLeft: "Shift_L",
    ShiftRight: "Shift_R", ControlLeft: "Control_L", ControlRight: "Control_R", AltLeft: "Alt_L", AltRight: "Alt_R",
    CapsLock: "Caps_Lock", NumLock: "Num_Lock", ScrollLock: "Scroll_Lock", Pause: "Pause", Minus: "minus",
    Equal: "equal", BracketLeft: "bracketleft", BracketRight: "bracketright", Backslash: "backslash",
    Semicolon: "semicolon", Quote: "apostrophe", Comma: "comma", Period: "period", Slash: "slash",
    Backquote: "grave", NumpadAdd: "KP_Add", NumpadSubtract: "KP_Subtract", NumpadMultiply: "KP_Multiply",
    NumpadDivide: "KP_Divide", NumpadDecimal: "KP_Decimal",
  };

  // xdotool's name for the key of a DOM key event, or null for a key the game has no use for.
  function gameKeyName(event) {
    const code = event.code;
    if (NAMED[code]) return NAMED[code];
    let match = /^Key([A-Z])$/.exec(code);
    if (match) return match[1].toLowerCase();
    match = /^(?:Digit|Numpad)(\d)$/.exec(code);
    if (match) return (code.startsWith("Numpad") ? "KP_" : "") + match[1];
    if (/^F([1-9]|1[0-2])$/.test(code)) return code;
    return null;
  }

  function onKey(event) {
    if (event.target instanceof Element && event.target.closest("#panel")) return;  // typing in the panel
    const pageHasKeys = focusedId !== null;
    const gameTakes = event.key === "Escape" || capture === "keyboard" || !pageHasKeys;
    if (!gameTakes) {
      // The key reaches the focused page by itself; the feed (and the headless picture) hear of it.
      post("/__player/typed", { key: event.key, page: frames.get(focusedId).dataset.name });
      return;
    }
    const name = gameKeyName(event);
    if (!name) return;
    // The module's hook keeps ESC and captured keys from the page, as in the game.
    if (pageHasKeys) { event.preventDefault(); event.stopImmediatePropagation(); }
    post("/__player/key", { key: name });
  }

  function hookKeys(frame) {
    try { frame.contentWindow.addEventListener("keydown", onKey, true); } catch { /* another origin: not ours */ }
  }
  addEventListener("keydown", onKey, true);
  screen.addEventListener("mousedown", () => { if (focusedId === null) screen.focus(); });

  // ---- Controls ----

  function post(path, body) {
    return fetch(path, { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) });
  }
  const control = (line) => post("/__player/control", { line });

  for (const button of document.querySelectorAll("[data-control]")) button.addEventListener("click", () => control(button.dataset.control));
  $("fault-on").addEventListener("click", () => control(`fault ${$("routine").value} on`));
  $("fault-off").addEventListener("click", () => control(`fault ${$("routine").value} off`));
  $("modes-apply").addEventListener("click", () => control(`modes ${$("modes").value.replace(/\s+/g, "")}`));
  for (const action of T.GAME_ACTIONS) $("bind-action").append(new Option(`${action.index} ${action.name} (${action.group})`, action.index));
  $("bind-apply").addEventListener("click", () => control(`bind ${$("bind-action").value} ${$("bind-slot").value} ${$("bind-key").value | 0}`));
  $("save-patched").addEventListener("change", (event) => post("/__player/restart", { savePatched: event.target.checked }));

  // ---- Panels ----

  function addLine(list, text, kind) {
    const item = document.createElement("li");
    item.textContent = text;
    if (kind) item.className = kind;
    list.append(item);
    while (list.children.length > MAX_LINES) list.firstChild.remove();
    list.scrollTop = list.scrollHeight;
  }
  const clock = (time) => new Date(time).toTimeString().slice(0, 8);

  function reloadPages(file) {
    addLine($("console"), `${file || "a page"} changed: reloading the pages`, "host");
    for (const frame of frames.values()) {
      try { frame.contentWindow.location.reload(); } catch { frame.src = frame.src; }
    }
  }

  const events = new EventSource("/__player/events");
  events.onmessage = (message) => {
    const data = JSON.parse(message.data);
    if (data.type === "session") {
      size = data.size;
      $("session").textContent = data.kind === "mock"
        ? "Game: the mock in Node (no Wine): the bridge answers as the module does, the game's state is kept in Node."
        : "Game: the module in the simulated game under Wine" + (data.savePatched ? ", save routine patched" : "") + ".";
      $("save-patched").checked = Boolean(data.savePatched);
      $("routine").replaceChildren(...data.routines.map((name) => new Option(name, name)));
      fit();
    } else if (data.type === "browsers") showBrowsers(data.browsers);
    else if (data.type === "capture") { capture = data.capture; $("capture").textContent = capture || "none"; }
    else if (data.type === "feed") addLine($("feed"), `${clock(data.time)} ${data.source.padEnd(4)} ${data.text}`, data.source);
    else if (data.type === "log") addLine($("log"), data.line);
    else if (data.type === "console") addLine($("console"), `${clock(data.time)} ${data.page}: ${data.level}: ${data.text}`, data.level);
    else if (data.type === "reload") reloadPages(data.file);
  };

  // ---- The state document, polled as the pages do ----

  function flatten(value, prefix, out) {
    if (value && typeof value === "object" && !(Array.isArray(value) && value.every((item) => typeof item !== "object"))) {
      for (const [key, item] of Object.entries(value)) flatten(item, prefix ? `${prefix}.${key}` : key, out);
      if (Object.keys(value).length === 0) out.set(prefix, Array.isArray(value) ? "[]" : "{}");
    } else out.set(prefix, JSON.stringify(value));
    return out;
  }

  function bindingNote(path, value) {
    const match = /^bindings\.(\d+)$/.exec(path);
    if (!match) return "";
    const keys = JSON.parse(value);
    const action = T.GAME_ACTIONS[match[1]];
    const names = [T.keyName(keys[0]), T.keyName(keys[1]), T.mouseButtonName(keys[2])].map((name) => name || "-");
    return `   ${action ? action.name : ""}: ${names.join(", ")}`;
  }

  let lastLines = new Map();
  let marked = new Set();
  async function pollState() {
    try {
      const answer = await fetch(bridge + "/state", { cache: "no-store" });
      const lines = flatten(await answer.json(), "", new Map());
      const changed = [...lines].filter(([path, value]) => lastLines.size && lastLines.get(path) !== value).map(([path]) => path);
      if (changed.length) marked = new Set(changed);
      if (changed.length || lastLines.size !== lines.size) {
        const view = $("state");
        view.replaceChildren(...[...lines].map(([path, value]) => {
          const line = document.createElement("span");
          line.dataset.path = path;
          line.textContent = `${path}: ${value}${bindingNote(path, value)}\n`;
          if (marked.has(path)) line.className = "changed";
          return line;
        }));
      }
      lastLines = lines;
    } catch {
      $("state").textContent = "the bridge does not answer (" + bridge + ")";
      lastLines = new Map();
    }
    setTimeout(pollState, STATE_POLL_MS);
  }

  fit();
  if (!headless) pollState();
})();
