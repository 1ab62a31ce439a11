// The pages' visible strings in the host's language: lang/<language>.js beside this file, chosen
// by the primary part of navigator.language ("es" for "es-ES"), English for any string it lacks.
// A language is one classic script in lang/ that calls TembraStrings.add; nothing else names it.
(function (global) {
  "use strict";

  const FALLBACK = "en";
  const tables = {};
  const script = document.currentScript;
  const folder = script ? script.src.replace(/[^/]*$/, "") + "lang/" : "../common/lang/";

  function add(language, table) {
    tables[language] = table;
  }

  function hostLanguage() {
    const tag = (global.navigator && global.navigator.language) || FALLBACK;
    return tag.toLowerCase().split("-")[0].replace(/[^a-z]/g, "") || FALLBACK;
  }

  // A missing file is no fault: the host's language may simply have no table.
  function loadTable(language) {
    return new Promise((resolve) => {
      if (tables[language]) { resolve(); return; }
      const node = document.createElement("script");
      node.src = folder + language + ".js";
      node.onload = resolve;
      node.onerror = resolve;
      document.head.appendChild(node);
    });
  }

  // Resolves with the strings: the chosen language's over English, member by member.
  function load() {
    const language = hostLanguage();
    return Promise.all([loadTable(FALLBACK), loadTable(language)]).then(() => {
      const chosen = tables[language] ? language : FALLBACK;
      document.documentElement.lang = chosen;
      return Object.assign({}, tables[FALLBACK], tables[chosen]);
    });
  }

  // "{name} is bound to {holders}" with the values given.
  function format(text, values) {
    return text.replace(/\{(\w+)\}/g, (whole, name) => (name in values ? String(values[name]) : whole));
  }

  // The page's fixed text: data-text names the string of an element's text, data-label of its
  // aria-label; the page's own markup holds the English text until then.
  function fill(strings, root) {
    for (const node of (root || document).querySelectorAll("[data-text]")) {
      if (strings[node.dataset.text] !== undefined) node.textContent = strings[node.dataset.text];
    }
    for (const node of (root || document).querySelectorAll("[data-label]")) {
      if (strings[node.dataset.label] !== undefined) node.setAttribute("aria-label", strings[node.dataset.label]);
    }
  }

  global.TembraStrings = Object.freeze({ add, load, format, fill, hostLanguage });
})(globalThis);
