// The pause menu: resume, map, quit, the game's settings and its control bindings.
(function () {
  "use strict";

  const T = globalThis.TembraUI;
  const bridge = new URLSearchParams(location.search).get("bridge") || undefined;
  const client = T.connect({ bridge });

  const SEND_EVERY_MS = 120;       // while a slider is dragged, one setting per frame of the state
  const LOCAL_VALUE_HOLD_MS = 700; // a slider shows its own value this long after the last move
  const BIND_CONFIRM_MS = 3000;    // time the game has to show a new binding
  const TOAST_MS = 2600;
  const CLICK_GUARD_MS = 400;      // the click that ends a mouse capture must not answer its dialog

  const RADAR = ["Map & blips", "Blips only", "Off"];
  const SETTINGS = {
    display: [
      { name: "resolutionMode", label: "Resolution", kind: "resolution", note: "Used from the next start of the game." },
      { name: "brightness", label: "Brightness", kind: "slider" },
      { name: "drawDistance", label: "Draw distance", kind: "slider" },
      { name: "widescreen", label: "Widescreen", kind: "toggle" },
      { name: "frameLimiter", label: "Frame limiter", kind: "toggle" },
      { name: "hud", label: "Show HUD", kind: "toggle" },
      { name: "radarMode", label: "Radar", kind: "choice", choices: RADAR },
      { name: "subtitles", label: "Subtitles", kind: "toggle" },
    ],
    audio: [
      { name: "sfxVolume", label: "Sound effects volume", kind: "slider" },
      { name: "musicVolume", label: "Radio volume", kind: "slider" },
      { name: "radioEq", label: "Radio equalizer", kind: "toggle" },
      { name: "radioAuto", label: "Radio auto-tune", kind: "toggle" },
    ],
    mouse: [
      { name: "mouseSensitivity", label: "Mouse sensitivity", kind: "slider" },
      { name: "invertY", label: "Invert vertical look", kind: "toggle" },
      { name: "mouseSteer", label: "Steer vehicles with mouse", kind: "toggle" },
      { name: "mouseFly", label: "Fly aircraft with mouse", kind: "toggle" },
    ],
  };
  const GROUPS = [["foot", "On foot"], ["vehicle", "Vehicle"], ["other", "Other"]];
  const SLOT_LABELS = ["key", "alternate key", "mouse button"];

  const $ = (id) => document.getElementById(id);
  const renderers = [];  // each redraws its control from the state
  let view = "home";
  let capture = null;    // { action, type, counter, cancel } while a key is being captured
  let dialogClose = null;
  let clickGuardUntil = 0;

  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function settings() {
    return client.state && client.state.settings;
  }

  function toast(text, kind) {
    const node = $("toast");
    node.textContent = text;
    node.className = "toast shown " + (kind || "");
    clearTimeout(toast.timer);
    toast.timer = setTimeout(() => { node.className = "toast"; }, TOAST_MS);
  }

  async function send(name, value) {
    const result = await client.setting(name, value);
    if (!result.ok) toast("The game did not take the change.", "error");
  }

  // ---- Settings controls ----

  function settingRow(setting) {
    const row = el("div", "row row-" + setting.kind);
    const id = "setting-" + setting.name;
    const label = el("label", "row-label", setting.label);
    label.htmlFor = id;
    row.append(label);
    const build = { slider: sliderControl, toggle: toggleControl, choice: choiceControl, resolution: resolutionControl };
    row.append(build[setting.kind](setting, id, label));
    if (setting.note) row.append(el("span", "row-note", setting.note));
    return row;
  }

  function sliderControl(setting, id) {
    const wrap = el("div", "slider");
    const input = el("input");
    Object.assign(input, { type: "range", min: 0, max: 100, step: 1, id });
    input.dataset.setting = setting.name;
    const value = el("output", "slider-value");
    value.htmlFor = id;
    wrap.append(input, value);
    let movedAt = 0;
    let sentAt = 0;
    let trailing = null;
    let settle = null;

    function show(number) {
      input.value = number;
      value.textContent = number;
      input.setAttribute("aria-valuetext", number + " percent");
      input.style.setProperty("--fill", number + "%");
    }
    function sendNow() {
      clearTimeout(trailing);
      sentAt = Date.now();
      send(setting.name, Number(input.value));
    }
    input.addEventListener("input", () => {
      movedAt = Date.now();
      show(Number(input.value));
      // The game's value may have arrived while the hand was still on the slider: show it once
      // the hold is over, whether or not the state changes again.
      clearTimeout(settle);
      settle = setTimeout(() => { const s = settings(); if (s) show(s[setting.name]); }, LOCAL_VALUE_HOLD_MS);
      const wait = SEND_EVERY_MS - (movedAt - sentAt);
      clearTimeout(trailing);
      if (wait <= 0) sendNow(); else trailing = setTimeout(sendNow, wait);
    });
    input.addEventListener("change", sendNow);
    renderers.push((s) => {
      input.disabled = !s;
      if (!s) { value.textContent = "–"; return; }
      // While the player drags, the slider follows the hand; then it shows what the game holds.
      if (Date.now() - movedAt >= LOCAL_VALUE_HOLD_MS) show(s[setting.name]);
    });
    return wrap;
  }

  function toggleControl(setting, id, label) {
    const button = el("button", "toggle");
    button.id = id;
    button.setAttribute("role", "switch");
    button.dataset.setting = setting.name;
    button.append(el("span", "toggle-track"), el("span", "toggle-text"));
    label.addEventListener("click", (event) => { event.preventDefault(); button.click(); });
    button.addEventListener("click", () => {
      const s = settings();
      if (s) send(setting.name, s[setting.name] ? 0 : 1);
    });
    renderers.push((s) => {
      button.disabled = !s;
      const on = Boolean(s && s[setting.name]);
      button.setAttribute("aria-checked", String(on));
      button.lastChild.textContent = s ? (on ? "On" : "Off") : "–";
    });
    return button;
  }

  function choiceControl(setting, id) {
    const group = el("div", "choice");
    group.id = id;
    group.setAttribute("role", "radiogroup");
    const buttons = setting.choices.map((text, index) => {
      const button = el("button", "choice-item", text);
      button.setAttribute("role", "radio");
      button.dataset.setting = setting.name;
      button.dataset.value = index;
      button.addEventListener("click", () => send(setting.name, index));
      button.addEventListener("keydown", (event) => {
        const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
        if (!step) return;
        event.preventDefault();
        const next = buttons[(index + step + buttons.length) % buttons.length];
        next.focus();
        next.click();
      });
      return button;
    });
    group.append(...buttons);
    renderers.push((s) => {
      buttons.forEach((button, index) => {
        const chosen = Boolean(s) && s[setting.name] === index;
        button.disabled = !s;
        button.setAttribute("aria-checked", String(chosen));
        button.tabIndex = chosen || (!s && index === 0) ? 0 : -1;
      });
    });
    return group;
  }

  function resolutionControl(setting, id) {
    const select = el("select", "select");
    select.id = id;
    select.dataset.setting = setting.name;
    select.addEventListener("change", () => send(setting.name, Number(select.value)));
    let shown = "";
    renderers.push((s) => {
      select.disabled = !s || s.resolutionOptions.length === 0;
      const options = s ? s.resolutionOptions : [];
      const key = JSON.stringify(options);
      if (key !== shown) {
        shown = key;
        select.replaceChildren(...options.map((option) => {
          const node = el("option", "", option.width + " × " + option.height);
          node.value = option.mode;
          return node;
        }));
      }
      if (s && document.activeElement !== select) select.value = String(s.resolutionMode);
    });
    return select;
  }

  function buildSettings() {
    const before = $("view-controls");
    for (const [group, list] of Object.entries(SETTINGS)) {
      const section = el("section", "view");
      section.id = "view-" + group;
      section.hidden = true;
      const title = el("h2", "view-title", group[0].toUpperCase() + group.slice(1));
      title.id = "title-" + group;
      section.setAttribute("aria-labelledby", title.id);
      const rows = el("div", "rows");
      rows.append(...list.map(settingRow));
      section.append(title, rows);
      before.before(section);
    }
  }

  // ---- Bindings ----

  function buildBindings() {
    const host = $("bindings");
    for (const [group, title] of GROUPS) {
      host.append(el("h3", "binding-group", title));
      for (const action of T.GAME_ACTIONS.filter((entry) => entry.group === group)) {
        const row = el("div", "binding");
        row.dataset.action = action.index;
        row.append(el("span", "binding-name", action.name));
        for (let type = 0; type < 3; type++) {
          const slot = el("button", "slot");
          slot.dataset.action = action.index;
          slot.dataset.type = type;
          slot.setAttribute("aria-label", action.name + ", " + SLOT_LABELS[type]);
          slot.addEventListener("click", () => startCapture(action, type));
          slot.addEventListener("keydown", (event) => {
            if (event.key !== "Delete" && event.key !== "Backspace") return;
            event.preventDefault();
            clearSlot(action, type);
          });
          row.append(slot);
        }
        host.append(row);
      }
    }
    renderers.push((s, bindings) => {
      for (const slot of host.querySelectorAll(".slot")) {
        const keys = bindings && bindings[slot.dataset.action];
        const type = Number(slot.dataset.type);
        const code = keys ? keys[type] : 0;
        const name = type === T.BINDING_MOUSE ? T.mouseButtonName(code) : T.keyName(code);
        slot.textContent = bindings ? name || "—" : "–";
        slot.classList.toggle("empty", !name);
        slot.disabled = !bindings;
      }
    });
  }

  function keyText(type, key) {
    return type === T.BINDING_MOUSE ? T.mouseButtonName(key) : T.keyName(key);
  }

  async function clearSlot(action, type) {
    const result = await client.clearBinding(action.index, type);
    if (!result.ok) toast("The game did not take the change.", "error");
  }

  async function startCapture(action, type) {
    if (capture || !client.state || !client.state.bindings) return;
    const mouse = type === T.BINDING_MOUSE;
    const state = client.state;
    capture = { action, type, counter: state.capturedKeyCounter, cancel: state.captureCancelCounter };
    const body = mouse ? "Click a mouse button or turn the wheel." : "Press the new key.";
    openDialog({
      title: "Bind " + action.name,
      text: body + " Esc cancels.",
      kind: mouse ? "capture mouse" : "capture",
      buttons: [{ text: "Cancel", run: () => endCapture("cancelled") }],
    });
    const result = await client.captureOn(mouse ? T.CAPTURE_MOUSE : T.CAPTURE_KEYBOARD);
    if (!result.ok) endCapture("failed");
  }

  // Ends a running capture on the module's side and in the page.
  function endCapture(reason) {
    if (!capture) return;
    capture = null;
    client.captureOff();
    closeDialog();
    if (reason === "failed") toast("Key capture is not available right now.", "error");
  }

  async function captured(key) {
    const { action, type } = capture;
    capture = null;
    client.captureOff();
    const holders = T.actionsHoldingKey(client.state.bindings, type, key, action.index);
    if (holders.length === 0) {
      closeDialog();
      bind(action, type, key);
      return;
    }
    const names = holders.map((holder) => holder.name).filter((name, i, all) => all.indexOf(name) === i);
    openDialog({
      title: keyText(type, key) + " is already in use",
      text: `${keyText(type, key)} is bound to ${names.join(", ")}. Binding it to ${action.name} takes it away from ${names.length > 1 ? "them" : "it"}.`,
      buttons: [
        { text: "Bind anyway", primary: true, run: () => { closeDialog(); bind(action, type, key); } },
        { text: "Keep as it is", run: closeDialog, initial: true },
      ],
    });
  }

  async function bind(action, type, key) {
    const result = await client.bind(action.index, type, key);
    if (!result.ok) { toast("The game did not take the key.", "error"); return; }
    const shown = await client.waitFor((s) => s.bindings && s.bindings[action.index][type] === key, BIND_CONFIRM_MS);
    if (!shown) { toast("The game did not take the key.", "error"); return; }
    const slot = document.querySelector(`.slot[data-action="${action.index}"][data-type="${type}"]`);
    if (slot) { slot.classList.add("flash"); setTimeout(() => slot.classList.remove("flash"), 900); }
  }

  function onMouseCapture(event) {
    if (!capture || capture.type !== T.BINDING_MOUSE || event.target.closest(".dialog-buttons")) return;
    event.preventDefault();
    const code = T.mouseCodeOfEvent(event);
    if (!code) return;
    clickGuardUntil = Date.now() + CLICK_GUARD_MS;
    captured(code);
  }

  // ---- Dialogs ----

  function openDialog({ title, text, buttons, kind }) {
    const overlay = $("overlay");
    overlay.className = "overlay " + (kind || "");
    $("dialog-title").textContent = title;
    $("dialog-text").textContent = text;
    const nodes = buttons.map((choice) => {
      const button = el("button", "button" + (choice.primary ? " primary" : "") + (choice.danger ? " danger" : ""), choice.text);
      button.addEventListener("click", () => { if (Date.now() >= clickGuardUntil) choice.run(); });
      return button;
    });
    $("dialog-buttons").replaceChildren(...nodes);
    overlay.hidden = false;
    const initial = buttons.findIndex((choice) => choice.initial);
    (nodes[initial >= 0 ? initial : 0] || overlay).focus();
    dialogClose = buttons.find((choice) => choice.initial) || buttons[buttons.length - 1];
  }

  function closeDialog() {
    $("overlay").hidden = true;
    dialogClose = null;
    const current = document.querySelector(".rail-item.current") || $("resume");
    if (!document.activeElement || document.activeElement === document.body) current.focus();
  }

  function confirmQuit() {
    openDialog({
      title: "Quit the game?",
      text: "You will leave the server and the game will close.",
      buttons: [
        { text: "Quit game", danger: true, run: () => { closeDialog(); client.exitGame(); } },
        { text: "Stay", run: closeDialog, initial: true },
      ],
    });
  }

  function confirmReset() {
    openDialog({
      title: "Reset all controls?",
      text: "Every action gets the game's default keys and mouse buttons back.",
      buttons: [
        { text: "Reset controls", primary: true, run: async () => {
          closeDialog();
          const result = await client.resetControls();
          toast(result.ok ? "Controls reset to the game's defaults." : "The game did not reset the controls.", result.ok ? "" : "error");
        } },
        { text: "Cancel", run: closeDialog, initial: true },
      ],
    });
  }

  // ---- Navigation ----

  function showView(name, focusPanel) {
    view = name;
    for (const section of document.querySelectorAll(".view")) section.hidden = section.id !== "view-" + name;
    for (const item of document.querySelectorAll(".rail-item[data-view]")) {
      item.classList.toggle("current", item.dataset.view === name);
      item.setAttribute("aria-current", String(item.dataset.view === name));
    }
    $("panel").scrollTop = 0;
    if (focusPanel) focusFirstControl();
  }

  function panelControls() {
    const section = $("view-" + view);
    return [...section.querySelectorAll("button, input, select")].filter((node) => !node.disabled && node.tabIndex >= 0);
  }

  function focusFirstControl() {
    const first = panelControls()[0];
    if (first) first.focus();
  }

  const commands = {
    resume: () => client.continueGame(),
    map: () => client.openMap(),
    quit: confirmQuit,
  };

  function onRailClick(event) {
    const item = event.target.closest(".rail-item");
    if (!item) return;
    if (item.dataset.view) showView(item.dataset.view, event.detail === 0);
    else commands[item.dataset.command]();
  }

  function moveFocus(list, step) {
    const index = list.indexOf(document.activeElement);
    const next = list[Math.max(0, Math.min(list.length - 1, index + step))];
    if (next) next.focus();
  }

  function onKeyDown(event) {
    if (capture) { event.preventDefault(); return; }  // the module takes the keys while capturing
    if (!$("overlay").hidden) {
      if (event.key === "Escape" && dialogClose) { event.preventDefault(); dialogClose.run(); }
      if (event.key === "ArrowLeft" || event.key === "ArrowRight") {
        moveFocus([...$("dialog-buttons").children], event.key === "ArrowRight" ? 1 : -1);
      }
      return;
    }
    const inRail = document.activeElement && document.activeElement.closest(".rail");
    const rail = [...document.querySelectorAll(".rail-item")];
    if (inRail) {
      if (event.key === "ArrowDown" || event.key === "ArrowUp") {
        event.preventDefault();
        moveFocus(rail, event.key === "ArrowDown" ? 1 : -1);
      } else if (event.key === "ArrowRight" && document.activeElement.dataset.view) {
        event.preventDefault();
        showView(document.activeElement.dataset.view, true);
      }
      return;
    }
    if (event.target.matches("input[type=range]") && (event.key === "ArrowLeft" || event.key === "ArrowRight")) return;
    if (event.target.matches(".slot") && moveInBindings(event)) return;
    if (event.key === "ArrowDown" || event.key === "ArrowUp") {
      event.preventDefault();
      const controls = panelControls();
      const rows = controls.filter((node) => !node.closest(".choice") || node.getAttribute("aria-checked") === "true" || node.tabIndex === 0);
      moveFocus(rows, event.key === "ArrowDown" ? 1 : -1);
    } else if (event.key === "ArrowLeft" && !event.target.closest(".choice")) {
      const current = document.querySelector(".rail-item.current");
      if (current) { event.preventDefault(); current.focus(); }
    }
  }

  // The bindings are a grid: up and down keep the column, left and right walk the row, and left
  // from the first column goes back to the rail.
  function moveInBindings(event) {
    const step = { ArrowUp: -1, ArrowDown: 1, ArrowLeft: -1, ArrowRight: 1 }[event.key];
    if (!step) return false;
    event.preventDefault();
    const slot = event.target;
    if (event.key === "ArrowUp" || event.key === "ArrowDown") {
      const column = [...document.querySelectorAll(`.slot[data-type="${slot.dataset.type}"]`)];
      const next = column[column.indexOf(slot) + step];
      if (next) { next.focus(); next.scrollIntoView({ block: "nearest" }); }
      return true;
    }
    const next = slot.parentElement.querySelector(`.slot[data-type="${Number(slot.dataset.type) + step}"]`);
    if (next) next.focus();
    else if (step < 0) document.querySelector(".rail-item.current").focus();
    return true;
  }

  // A new opening of the menu starts from a clean view; closing it ends a running capture.
  function resetView() {
    if (capture) { capture = null; client.captureOff(); }
    closeDialog();
    showView("home");
    $("resume").focus();
  }

  // ---- State ----

  function render(state) {
    const s = state && state.settings;
    const bindings = state && state.bindings;
    for (const draw of renderers) draw(s, bindings);
    $("home-display").textContent = s && s.resolutionWidth ? `${s.resolutionWidth} × ${s.resolutionHeight}` : "–";
    $("home-sfx").textContent = s ? s.sfxVolume + "%" : "–";
    $("home-music").textContent = s ? s.musicVolume + "%" : "–";
    $("reset-controls").disabled = !bindings;
    let notice = "";
    if (!client.connected) notice = "Waiting for the game… settings show up as soon as it answers.";
    else if (state && !state.supported) notice = "This version of the game is not supported: settings and controls cannot be changed here.";
    $("notice").textContent = notice;
    $("notice").hidden = !notice;
    document.body.classList.toggle("offline", !client.connected);
    // For the page's own styles and for tests: which opening of the menu this view belongs to.
    if (state) {
      document.body.dataset.menuOpen = String(state.menuOpen);
      document.body.dataset.menuGeneration = String(state.menuGeneration);
    }
  }

  function tickClock() {
    const now = new Date();
    $("home-clock").textContent = now.toLocaleTimeString([], { hour: "2-digit", minute: "2-digit" });
  }

  buildSettings();
  buildBindings();
  showView("home");
  render(null);
  tickClock();
  setInterval(tickClock, 10000);

  $("rail").addEventListener("click", onRailClick);
  $("reset-controls").addEventListener("click", confirmReset);
  document.addEventListener("keydown", onKeyDown);
  document.addEventListener("mousedown", onMouseCapture, true);
  document.addEventListener("wheel", onMouseCapture, { capture: true, passive: false });
  document.addEventListener("contextmenu", (event) => event.preventDefault());

  client.on("state", render);
  client.on("connected", () => render(client.state));
  client.on("disconnected", () => render(client.state));
  client.on("menuGeneration", resetView);
  client.on("menuOpen", (open) => { if (!open && capture) endCapture("closed"); });
  client.on("capturedKey", (key, counter) => {
    if (capture && capture.type !== T.BINDING_MOUSE && counter !== capture.counter && key >= 0) captured(key);
  });
  client.on("captureCancelled", () => { if (capture) endCapture("cancelled"); });

  $("resume").focus();
})();
