// The loading screen: shows how far the game has come and hides itself once the game answers.
(function () {
  "use strict";
  const MIN_SHOWN_MS = 2500;  // never just a flash, even when the game is ready at once
  const TIP_EVERY_MS = 4500;
  const RETRY_HIDE_MS = 1000;
  const STEP_PERCENTS = [10, 45, 80, 100];  // the strings' loadingSteps, in order
  const shownAt = Date.now();
  const bridge = new URLSearchParams(location.search).get("bridge") || undefined;
  const client = TembraUI.connect({ bridge });
  const $ = (id) => document.getElementById(id);
  let S = null;  // the strings, once loaded
  let step = -1;
  let hiding = false;

  function show(index) {
    if (index < step) return;
    step = index;
    if (!S) return;  // drawn as soon as the strings are there
    const percent = STEP_PERCENTS[index];
    $("step-text").textContent = S.loadingSteps[index];
    $("step-count").textContent = percent + "%";
    $("bar").style.width = percent + "%";
    $("progress").setAttribute("aria-valuenow", String(percent));
  }

  async function hide() {
    if (hiding) return;
    hiding = true;
    await new Promise((resolve) => setTimeout(resolve, Math.max(0, MIN_SHOWN_MS - (Date.now() - shownAt))));
    $("screen").classList.add("leaving");
    const result = await client.hideLoading();
    if (!result.ok) {
      // The game did not take it: show again and ask once more a little later.
      hiding = false;
      $("screen").classList.remove("leaving");
      setTimeout(() => onState(client.state), RETRY_HIDE_MS);
      return;
    }
    client.stop();
  }

  function onState(state) {
    show(1);
    if (state.supported && !state.settings) return;
    show(2);
    show(3);
    hide();
  }

  // A tip's [bracketed] part names a key and is shown as one.
  function drawTip(text) {
    const tip = $("tip");
    while (tip.firstChild) tip.removeChild(tip.firstChild);
    text.split(/\[([^\]]+)\]/).forEach((part, index) => {
      if (index % 2 === 0) { tip.appendChild(document.createTextNode(part)); return; }
      const key = document.createElement("b");
      key.textContent = part;
      tip.appendChild(key);
    });
  }

  let tipIndex = 0;
  function nextTip() {
    $("tip").style.opacity = 0;
    setTimeout(() => { drawTip(S.tips[tipIndex++ % S.tips.length]); $("tip").style.opacity = 1; }, 400);
  }

  show(0);
  client.on("connected", () => show(1));
  client.on("state", onState);
  TembraStrings.load().then((strings) => {
    S = strings;
    TembraStrings.fill(S);
    show(step);
    tipIndex = Math.floor(Math.random() * S.tips.length);
    drawTip(S.tips[tipIndex++ % S.tips.length]);
    setInterval(nextTip, TIP_EVERY_MS);
  });
})();
