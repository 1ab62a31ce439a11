// What the host's browsers look like after the module's calls: which exist, which are shown and
// which has the input focus. Both the player and the headless browsers follow it.
import { EventEmitter } from "node:events";

export const PAGE_ORIGIN = "http://tembra.local";
const BROWSER_NAMES = new Map([
  [0x7f002003, "loading"], [0x7f002009, "pause"], [0x7f002002, "hud"], [0x12362, "minimap"], [0x12365, "auth"],
]);
// Bottom to top, as the player sees them stacked over the game.
export const STACKING = ["minimap", "hud", "pause", "auth", "loading"];

// A file URL handed to the host names a Windows path; Wine's Z: drive is the Linux root.
function browserUrl(url) {
  return url.replace(/^file:\/\/\/Z:\//i, "file:///");
}

const browserName = (id) => BROWSER_NAMES.get(id) || "browser " + id;

// Emits "create" (entry) for a new browser and "change" (entry, what) when one is shown, hidden,
// focused or unfocused. The host's calls are repeated often (the loading screen's upkeep every
// 250 ms); only a change of a browser's state is reported.
export class HostView extends EventEmitter {
  constructor() {
    super();
    this.browsers = new Map();  // id -> { id, name, url, visible, focused }
  }

  follow(event) {
    if (event.kind === "create") {
      const entry = { id: event.id, name: browserName(event.id), url: browserUrl(event.url), visible: true, focused: false };
      this.browsers.set(event.id, entry);
      this.emit("create", entry);
      this.emit("change", entry, "created " + entry.url);
      return;
    }
    const entry = this.browsers.get(event.id);
    if (!entry) return;  // a server's browser the host never made here
    if (event.kind === "hide" && entry.visible !== (event.flag === 0)) {
      entry.visible = event.flag === 0;
      this.emit("change", entry, entry.visible ? "shown" : "hidden");
    } else if (event.kind === "focus" && entry.focused !== (event.flag === 1)) {
      entry.focused = event.flag === 1;
      this.emit("change", entry, entry.focused ? "focused" : "unfocused");
    }
  }

  list() {
    return [...this.browsers.values()].sort((a, b) => STACKING.indexOf(a.name) - STACKING.indexOf(b.name));
  }
}
