// Added by the player to each page it serves: reports the page's console warnings and errors,
// uncaught errors and failed requests to the player, which shows them beside the screen and in
// the terminal. A failing address is reported once until it answers again, so a bridge that is
// down costs one line, not one per retry.
(function () {
  "use strict";
  const page = location.pathname.split("/")[1] || location.pathname;
  const failing = new Set();
  const send = (level, text) => {
    const body = JSON.stringify({ page, level, text: String(text).slice(0, 2000) });
    navigator.sendBeacon("/__player/report", new Blob([body], { type: "application/json" }));
  };
  const describe = (value) => (value instanceof Error ? value.stack || value.message : typeof value === "object" ? safeJson(value) : String(value));
  function safeJson(value) { try { return JSON.stringify(value); } catch { return String(value); } }

  for (const level of ["warn", "error"]) {
    const original = console[level].bind(console);
    console[level] = (...args) => { send(level, args.map(describe).join(" ")); original(...args); };
  }
  addEventListener("error", (event) => {
    const target = event.target;
    if (target && target !== window && (target.src || target.href)) send("request", "failed to load " + (target.src || target.href));
    else send("uncaught", event.message + (event.filename ? ` (${event.filename}:${event.lineno})` : ""));
  }, true);
  addEventListener("unhandledrejection", (event) => send("uncaught", "unhandled rejection: " + describe(event.reason)));

  const originalFetch = fetch.bind(window);
  window.fetch = async (input, init) => {
    const url = String(input && input.url ? input.url : input).split("?")[0];
    try {
      const answer = await originalFetch(input, init);
      if (answer.status >= 400) send("request", `${answer.status} ${url}`);
      else failing.delete(url);
      return answer;
    } catch (error) {
      if (!failing.has(url)) { failing.add(url); send("request", `failed: ${url} (${error.name === "AbortError" ? "timed out" : error.message})`); }
      throw error;
    }
  };
})();
