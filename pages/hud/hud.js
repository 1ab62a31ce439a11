// The HUD: clock, key hints from the game's own bindings and a meter when a volume changes;
// it follows the game's own "Show HUD" setting. Without the game's answer it shows only the
// clock and the menu key: a player has nothing to do about a missing bridge.
(function () {
  "use strict";
  const METER_MS = 2200;
  const HINTS = [  // [action index, the string of what the hint says]
    [10, "hudEnterVehicle"],
    [16, "hudAction"],
    [13, "hudSprint"],
  ];
  const VOLUMES = { sfxVolume: "hudEffects", musicVolume: "hudRadio" };
  const bridge = new URLSearchParams(location.search).get("bridge") || undefined;
  const client = TembraUI.connect({ bridge });
  const $ = (id) => document.getElementById(id);
  let S = null;  // the strings, once loaded

  function tick() {
    const now = new Date();
    $("time").textContent = now.toLocaleTimeString([], { hour: "2-digit", minute: "2-digit" });
    $("date").textContent = now.toLocaleDateString([], { weekday: "long", day: "numeric", month: "long" });
  }

  function hint(keyText, text) {
    const row = document.createElement("div");
    row.className = "hint plate";
    const key = document.createElement("kbd");
    key.className = "key-cap";
    key.textContent = keyText;
    row.appendChild(key);
    row.appendChild(document.createTextNode(text));
    return row;
  }

  function showHints(bindings) {
    if (!S) return;  // drawn as soon as the strings are there
    const host = $("hints");
    while (host.firstChild) host.removeChild(host.firstChild);
    host.appendChild(hint("Esc", S.hudMenu));
    for (const [action, text] of HINTS) {
      const keys = bindings && bindings[action];
      const name = keys && (TembraUI.keyName(keys[0]) || TembraUI.keyName(keys[1]));
      if (name) host.appendChild(hint(name, S[text]));
    }
  }

  function showMeter(name, value) {
    if (!S) return;
    $("meter-name").textContent = S[VOLUMES[name]];
    $("meter-value").textContent = value + "%";
    $("meter-fill").style.width = value + "%";
    $("meter").classList.add("shown");
    clearTimeout(showMeter.timer);
    showMeter.timer = setTimeout(() => $("meter").classList.remove("shown"), METER_MS);
  }

  // The player's "Show HUD" choice in the game's settings hides this HUD too; it shows once its
  // strings are there.
  function showHud(state) {
    $("hud").classList.toggle("off", !S || Boolean(state && state.settings && !state.settings.hud));
  }

  client.on("state", showHud);
  client.on("bindings", showHints);
  client.on("settings", (settings, previous) => {
    if (!settings || !previous) return;
    for (const name of Object.keys(VOLUMES)) {
      if (settings[name] !== previous[name]) showMeter(name, settings[name]);
    }
  });

  tick();
  setInterval(tick, 5000);
  TembraStrings.load().then((strings) => {
    S = strings;
    TembraStrings.fill(S);
    showHints(client.state && client.state.bindings);
    showHud(client.state);
  });
})();
