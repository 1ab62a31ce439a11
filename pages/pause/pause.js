// The pause menu: resume, map, quit, the game's settings and its control bindings.
(function () {
  "use strict";

  const T = globalThis.TembraUI;
  const bridge = new URLSearchParams(location.search).get("bridge") || undefined;
  const client = T.connect({ bridge });

  const SEND_EVERY_MS = 120;       // while a slider is dragged, one setting per frame of the state
  const LOCAL_VALUE_HOLD_MS = 700; // a control shows its own value this long after the last change
  const BIND_CONFIRM_MS = 3000;    // time the game has to show a new binding
  const TOAST_MS = 2600;
  const CLICK_GUARD_MS = 400;      // the click that ends a mouse capture must not answer its dialog
  const PAGE_STEPS = 10;           // Page Up and Page Down move a slider this many of the game's steps

  const SETTINGS = {
    display: [
      { name: "resolutionMode", kind: "resolution", note: "resolutionNote" },
      { name: "brightness", kind: "slider" },
      { name: "drawDistance", kind: "slider" },
      { name: "widescreen", kind: "toggle" },
      { name: "frameLimiter", kind: "toggle" },
      { name: "hud", kind: "toggle" },
      { name: "radarMode", kind: "choice", choices: "radarChoices" },
      { name: "subtitles", kind: "toggle" },
    ],
    audio: [
      { name: "sfxVolume", kind: "slider" },
      { name: "musicVolume", kind: "slider" },
      { name: "radioEq", kind: "toggle" },
      { name: "radioAuto", kind: "toggle" },
    ],
    mouse: [
      { name: "mouseSensitivity", kind: "slider" },
      { name: "invertY", kind: "toggle" },
      { name: "mouseSteer", kind: "toggle" },
      { name: "mouseFly", kind: "toggle" },
    ],
  };
  const GROUPS = [["foot", "groupFoot"], ["vehicle", "groupVehicle"], ["other", "groupOther"]];
  // The keys that work where the focus is, as the footer names them: [key caps, string].
  const HINTS = {
    rail: [[["↑", "↓"], "hintChoose"], [["Enter"], "hintSelect"], [["Esc"], "hintResume"]],
    settings: [[["↑", "↓"], "hintChoose"], [["←", "→"], "hintChange"], [["Backspace"], "hintBack"], [["Esc"], "hintResume"]],
    bindings: [[["↑", "↓", "←", "→"], "hintChoose"], [["Enter"], "hintBind"], [["Del"], "hintClear"],
               [["Backspace"], "hintBack"], [["Esc"], "hintResume"]],
    dialog: [[["←", "→"], "hintChoose"], [["Enter"], "hintSelect"]],
    capture: [[["Esc"], "hintCancel"]],
  };

  const $ = (id) => document.getElementById(id);
  const renderers = [];  // each redraws its control from the state
  let S = {};            // the strings of the host's language
  let view = "home";
  let capture = null;    // { action, type, slot, counter, cancel } while a key is being captured
  let dialog = null;     // { close, returnTo } while a dialog is shown
  let clickGuardUntil = 0;

  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function setChildren(node, children) {
    while (node.firstChild) node.removeChild(node.firstChild);
    for (const child of children) node.appendChild(child);
  }

  function settings() {
    return client.state && client.state.settings;
  }

  function actionName(action) {
    return (S.actions && S.actions[action.index]) || action.name;
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
    if (!result.ok) toast(S.settingRefused, "error");
  }

  // ---- Settings controls ----

  function settingRow(setting) {
    const row = el("div", "row row-" + setting.kind);
    const id = "setting-" + setting.name;
    const label = el("label", "row-label", S[setting.name]);
    label.htmlFor = id;
    row.appendChild(label);
    const build = { slider: sliderControl, toggle: toggleControl, choice: choiceControl, resolution: resolutionControl };
    row.appendChild(build[setting.kind](setting, id, label));
    if (setting.note) row.appendChild(el("span", "row-note", S[setting.note]));
    return row;
  }

  // A slider moves only to values the game holds, sends each value once, and shows what the game
  // reads back. Keys step by the game's own steps; a drag sends at most one value per state frame
  // and always its last one.
  function sliderControl(setting, id) {
    const name = setting.name;
    const wrap = el("div", "slider");
    const input = el("input");
    Object.assign(input, { type: "range", min: 0, max: 100, step: 1, id });
    input.dataset.setting = name;
    const value = el("output", "slider-value");
    value.htmlFor = id;
    wrap.appendChild(input);
    wrap.appendChild(value);
    let shown = null;    // the value on the slider
    let sent = null;     // the last value sent
    let movedAt = 0;
    let sentAt = 0;
    let trailing = null;

    function show(number) {
      shown = number;
      input.value = number;
      value.textContent = number;
      input.setAttribute("aria-valuetext", TembraStrings.format(S.percent, { value: number }));
      input.style.setProperty("--fill", number + "%");
    }
    function sendNow() {
      clearTimeout(trailing);
      if (shown === sent) return;
      sent = shown;
      sentAt = Date.now();
      send(name, shown);
    }
    function moveTo(number, throttled) {
      movedAt = Date.now();
      show(number);
      clearTimeout(trailing);
      const wait = SEND_EVERY_MS - (movedAt - sentAt);
      if (!throttled || wait <= 0) sendNow(); else trailing = setTimeout(sendNow, wait);
    }
    input.addEventListener("keydown", (event) => {
      const current = shown === null ? 0 : shown;
      const steps = { ArrowLeft: -1, ArrowRight: 1, PageDown: -PAGE_STEPS, PageUp: PAGE_STEPS }[event.key];
      let next = null;
      if (steps) next = T.stepSetting(name, current, steps);
      else if (event.key === "Home") next = 0;
      else if (event.key === "End") next = 100;
      else return;
      // The browser's own step would send values the game cannot hold.
      event.preventDefault();
      if (next !== current) moveTo(next, false);
    });
    input.addEventListener("input", () => moveTo(T.settingValue(name, input.valueAsNumber), true));
    input.addEventListener("change", () => { show(T.settingValue(name, input.valueAsNumber)); sendNow(); });
    // While the player moves it, the slider follows the hand; then it shows what the game holds.
    function showHeld(s) {
      if (!s || Date.now() - movedAt < LOCAL_VALUE_HOLD_MS) return;
      show(s[name]);
      sent = s[name];
    }
    renderers.push((s) => {
      input.disabled = !s;
      if (!s) value.textContent = "–";
      showHeld(s);
    });
    // The game's value may have arrived while the hand was still on the slider: it shows once
    // the hold is over, whether or not the state changes again.
    setInterval(() => showHeld(settings()), LOCAL_VALUE_HOLD_MS);
    return wrap;
  }

  function toggleControl(setting, id, label) {
    const button = el("button", "toggle");
    button.id = id;
    button.setAttribute("role", "switch");
    button.dataset.setting = setting.name;
    button.appendChild(el("span", "toggle-track"));
    button.appendChild(el("span", "toggle-text"));
    let local = null;  // the value asked for, until the game shows it or the hold ends
    let askedAt = 0;
    function draw(on) {
      button.setAttribute("aria-checked", String(on));
      button.lastChild.textContent = on ? S.on : S.off;
    }
    label.addEventListener("click", (event) => { event.preventDefault(); button.click(); });
    button.addEventListener("click", () => {
      const s = settings();
      if (!s) return;
      const on = local !== null ? local : Boolean(s[setting.name]);
      local = !on;
      askedAt = Date.now();
      draw(local);
      send(setting.name, local ? 1 : 0);
    });
    renderers.push((s) => {
      button.disabled = !s;
      if (!s) { button.setAttribute("aria-checked", "false"); button.lastChild.textContent = "–"; return; }
      const held = Boolean(s[setting.name]);
      if (local === held || Date.now() - askedAt >= LOCAL_VALUE_HOLD_MS) local = null;
      draw(local !== null ? local : held);
    });
    return button;
  }

  function choiceControl(setting, id, label) {
    const group = el("div", "choice");
    group.id = id;
    group.setAttribute("role", "radiogroup");
    label.id = id + "-label";
    group.setAttribute("aria-labelledby", label.id);
    label.addEventListener("click", () => { const chosen = group.querySelector('[tabindex="0"]'); if (chosen) chosen.focus(); });
    const buttons = S[setting.choices].map((text, index) => {
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
    setChildren(group, buttons);
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
    // Left and Right choose the next size, as on a choice row; the browser's own list stays for Enter.
    select.addEventListener("keydown", (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (!step) return;
      event.preventDefault();
      const index = select.selectedIndex + step;
      if (index < 0 || index >= select.options.length) return;
      select.selectedIndex = index;
      send(setting.name, Number(select.value));
    });
    let shown = "";
    renderers.push((s) => {
      select.disabled = !s || s.resolutionOptions.length === 0;
      const options = s ? s.resolutionOptions : [];
      const key = JSON.stringify(options);
      if (key !== shown) {
        shown = key;
        setChildren(select, options.map((option) => {
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
    for (const group of Object.keys(SETTINGS)) {
      const section = el("section", "view");
      section.id = "view-" + group;
      section.hidden = true;
      const title = el("h2", "view-title", S[group]);
      title.id = "title-" + group;
      section.setAttribute("aria-labelledby", title.id);
      const rows = el("div", "rows");
      setChildren(rows, SETTINGS[group].map(settingRow));
      section.appendChild(title);
      section.appendChild(rows);
      before.parentNode.insertBefore(section, before);
    }
  }

  // ---- Bindings ----

  function slotOf(actionIndex, type) {
    return document.querySelector(`.slot[data-action="${actionIndex}"][data-type="${type}"]`);
  }

  function buildBindings() {
    const host = $("bindings");
    for (const [group, title] of GROUPS) {
      host.appendChild(el("h3", "binding-group", S[title]));
      for (const action of T.GAME_ACTIONS.filter((entry) => entry.group === group)) {
        const row = el("div", "binding");
        row.dataset.action = action.index;
        row.appendChild(el("span", "binding-name", actionName(action)));
        for (let type = 0; type < 3; type++) {
          const slot = el("button", "slot");
          slot.dataset.action = action.index;
          slot.dataset.type = type;
          slot.addEventListener("click", () => startCapture(action, type, slot));
          slot.addEventListener("keydown", (event) => {
            if (event.key !== "Delete") return;
            event.preventDefault();
            clearSlot(action, type);
          });
          row.appendChild(slot);
        }
        host.appendChild(row);
      }
    }
    renderers.push((s, bindings) => {
      for (const slot of host.querySelectorAll(".slot")) {
        const action = T.GAME_ACTIONS[Number(slot.dataset.action)];
        const keys = bindings && bindings[action.index];
        const type = Number(slot.dataset.type);
        const name = keys ? keyText(type, keys[type]) : "";
        slot.textContent = bindings ? name || "—" : "–";
        slot.setAttribute("aria-label", TembraStrings.format(S.slotLabel,
          { action: actionName(action), slot: S.slotNames[type], key: name || S.noKey }));
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
    if (!result.ok) toast(S.keyRefused, "error");
  }

  // The slot below in the same column, where a player binding one action after another goes next.
  function nextSlot(slot) {
    const column = [...document.querySelectorAll(`.slot[data-type="${slot.dataset.type}"]`)];
    return column[column.indexOf(slot) + 1] || slot;
  }

  async function startCapture(action, type, slot) {
    if (capture || !client.state || !client.state.bindings) return;
    const mouse = type === T.BINDING_MOUSE;
    const state = client.state;
    capture = { action, type, slot, counter: state.capturedKeyCounter, cancel: state.captureCancelCounter };
    openDialog({
      title: TembraStrings.format(S.bindTitle, { action: actionName(action) }),
      text: mouse ? S.pressMouse : S.pressKey,
      kind: mouse ? "capture mouse" : "capture",
      hints: "capture",
      returnTo: slot,
      buttons: [
        { text: S.clearSlot, run: () => { endCapture("cleared"); clearSlot(action, type); } },
        { text: S.cancel, run: () => endCapture("cancelled"), initial: true },
      ],
    });
    const result = await client.captureOn(mouse ? T.CAPTURE_MOUSE : T.CAPTURE_KEYBOARD);
    if (!result.ok) endCapture("failed");
  }

  // Ends a running capture on the module's side and in the page; focus goes back to its slot.
  function endCapture(reason) {
    if (!capture) return;
    capture = null;
    client.captureOff();
    closeDialog();
    if (reason === "failed") toast(S.captureUnavailable, "error");
  }

  function captured(key) {
    const { action, type, slot } = capture;
    capture = null;
    client.captureOff();
    const holders = T.actionsHoldingKey(client.state.bindings, type, key, action.index);
    if (holders.length === 0) {
      closeDialog(nextSlot(slot));
      bind(action, type, key);
      return;
    }
    const names = holders.map((holder) => actionName(T.GAME_ACTIONS[holder.action]))
      .filter((name, i, all) => all.indexOf(name) === i);
    const values = { key: keyText(type, key), holders: names.join(", "), action: actionName(action) };
    openDialog({
      title: TembraStrings.format(S.inUseTitle, values),
      text: TembraStrings.format(names.length > 1 ? S.inUseMany : S.inUseOne, values),
      buttons: [
        { text: S.bindAnyway, primary: true, run: () => { closeDialog(nextSlot(slot)); bind(action, type, key); } },
        { text: S.keepAsIs, run: () => closeDialog(), initial: true },
      ],
    });
  }

  async function bind(action, type, key) {
    const result = await client.bind(action.index, type, key);
    if (!result.ok) { toast(S.keyRefused, "error"); return; }
    const shown = await client.waitFor((s) => s.bindings && s.bindings[action.index][type] === key, BIND_CONFIRM_MS);
    if (!shown) { toast(S.keyRefused, "error"); return; }
    const slot = slotOf(action.index, type);
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

  // A dialog remembers where the player was (a dialog that follows another keeps the first one's
  // place) and gives the focus back there when it closes.
  function openDialog({ title, text, buttons, kind, hints, returnTo }) {
    const overlay = $("overlay");
    const from = dialog ? dialog.returnTo : returnTo || document.activeElement;
    overlay.className = "overlay " + (kind || "");
    $("dialog-title").textContent = title;
    $("dialog-text").textContent = text;
    const nodes = buttons.map((choice) => {
      const button = el("button", "button" + (choice.primary ? " primary" : "") + (choice.danger ? " danger" : ""), choice.text);
      button.addEventListener("click", () => { if (Date.now() >= clickGuardUntil) choice.run(); });
      return button;
    });
    setChildren($("dialog-buttons"), nodes);
    overlay.hidden = false;
    $("menu").setAttribute("aria-hidden", "true");
    dialog = { close: buttons.find((choice) => choice.initial) || buttons[buttons.length - 1], returnTo: from, hints: hints || "dialog" };
    const initial = buttons.findIndex((choice) => choice.initial);
    (nodes[initial >= 0 ? initial : 0] || overlay).focus();
    showHints();
  }

  function usable(node) {
    return node && node.isConnected && !node.disabled && node.offsetParent !== null;
  }

  function closeDialog(focusTo) {
    if (!dialog) return;
    const back = [focusTo, dialog.returnTo, document.querySelector(".rail-item.current"), $("resume")].find(usable);
    dialog = null;
    $("overlay").hidden = true;
    $("menu").removeAttribute("aria-hidden");
    if (back) back.focus();
    showHints();
  }

  function confirmQuit() {
    openDialog({
      title: S.quitTitle,
      text: S.quitText,
      buttons: [
        { text: S.quitConfirm, danger: true, run: () => { closeDialog(); client.exitGame(); } },
        { text: S.stay, run: () => closeDialog(), initial: true },
      ],
    });
  }

  function confirmReset() {
    openDialog({
      title: S.resetTitle,
      text: S.resetText,
      buttons: [
        { text: S.resetConfirm, primary: true, run: async () => {
          closeDialog();
          const result = await client.resetControls();
          toast(result.ok ? S.resetDone : S.resetFailed, result.ok ? "" : "error");
        } },
        { text: S.cancel, run: () => closeDialog(), initial: true },
      ],
    });
  }

  // ---- Navigation ----

  function showView(name, focusPanel) {
    view = name;
    for (const section of document.querySelectorAll(".view")) section.hidden = section.id !== "view-" + name;
    for (const item of document.querySelectorAll(".rail-item[data-view]")) {
      item.classList.toggle("current", item.dataset.view === name);
      if (item.dataset.view === name) item.setAttribute("aria-current", "page"); else item.removeAttribute("aria-current");
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

  function backToRail() {
    const current = document.querySelector(".rail-item.current") || $("resume");
    current.focus();
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

  function moveFocus(list, step, wrap) {
    const index = list.indexOf(document.activeElement);
    let next = index + step;
    if (wrap) next = (next + list.length) % list.length;
    const target = list[Math.max(0, Math.min(list.length - 1, next))];
    if (target) { target.focus(); if (target.scrollIntoView) target.scrollIntoView({ block: "nearest" }); }
  }

  function onKeyDown(event) {
    if (capture) { event.preventDefault(); return; }  // the module takes the keys while capturing
    if (dialog) { onDialogKey(event); return; }
    const target = event.target;
    const inRail = target.closest && target.closest(".rail");
    if (inRail) {
      if (event.key === "ArrowDown" || event.key === "ArrowUp") {
        event.preventDefault();
        moveFocus([...document.querySelectorAll(".rail-item")], event.key === "ArrowDown" ? 1 : -1);
      } else if (event.key === "ArrowRight" && target.dataset.view) {
        event.preventDefault();
        showView(target.dataset.view, true);
      }
      return;
    }
    if (!target.closest || !target.closest(".panel")) {
      // Focus outside the menu's controls (a click on empty space): the keys find the menu again.
      if (/^Arrow|^Backspace$/.test(event.key)) { event.preventDefault(); backToRail(); }
      return;
    }
    if (event.key === "Backspace") { event.preventDefault(); backToRail(); return; }
    if (target.matches(".slot") && moveInBindings(event)) return;
    if (event.key === "ArrowDown" || event.key === "ArrowUp") {
      event.preventDefault();
      moveFocus(panelControls(), event.key === "ArrowDown" ? 1 : -1);
    } else if (event.key === "ArrowLeft" && !target.matches("input[type=range], select") && !target.closest(".choice")) {
      event.preventDefault();
      backToRail();
    }
  }

  function onDialogKey(event) {
    const buttons = [...$("dialog-buttons").children];
    if (event.key === "Escape") { event.preventDefault(); dialog.close.run(); return; }
    // Focus stays inside the dialog.
    if (event.key === "ArrowLeft" || event.key === "ArrowRight" || event.key === "Tab") {
      event.preventDefault();
      moveFocus(buttons, event.key === "ArrowLeft" || (event.key === "Tab" && event.shiftKey) ? -1 : 1, true);
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
      if (next) { next.focus(); next.scrollIntoView({ block: "nearest" }); } else if (step < 0) $("reset-controls").focus();
      return true;
    }
    const next = slotOf(slot.dataset.action, Number(slot.dataset.type) + step);
    if (next) next.focus();
    else if (step < 0) backToRail();
    return true;
  }

  // The footer names the keys that work where the focus is.
  function showHints() {
    let context = "rail";
    const active = document.activeElement;
    if (dialog) context = dialog.hints;
    else if (active && active.matches && active.matches(".slot")) context = "bindings";
    else if (active && active.closest && active.closest(".panel")) context = "settings";
    if (showHints.context === context) return;
    showHints.context = context;
    setChildren($("hints"), HINTS[context].map(([caps, text]) => {
      const hint = el("span", "hint");
      for (const cap of caps) hint.appendChild(el("kbd", "key-cap", cap));
      hint.appendChild(document.createTextNode(S[text]));
      return hint;
    }));
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
    if (!client.connected) notice = S.waiting;
    else if (state && !state.supported) notice = S.unsupported;
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

  function start(strings) {
    S = strings;
    TembraStrings.fill(S);
    buildSettings();
    buildBindings();
    showView("home");
    render(client.state);
    tickClock();
    setInterval(tickClock, 10000);

    $("rail").addEventListener("click", onRailClick);
    $("reset-controls").addEventListener("click", confirmReset);
    document.addEventListener("keydown", onKeyDown);
    document.addEventListener("focusin", showHints);
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
    showHints();
    document.body.dataset.ready = "true";
  }

  TembraStrings.load().then(start);
})();
