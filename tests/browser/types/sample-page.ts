// A page author's page against the client's types, as tsc --strict sees it: the state, the
// bindings by action number, the step helpers, the named key codes and every event's arguments.
import type { Binding, Bindings, Client, CommandResult, SettingName, State } from "../../../pages/sdk/tembra";

const client: Client = TembraUI.connect({ bridge: TembraUI.DEFAULT_BRIDGE, log: console.info });

function drawBindings(bindings: Bindings | null): string[] {
  if (!bindings) return [];
  return TembraUI.GAME_ACTIONS.map((action) => {
    const keys: Binding = bindings[action.index];
    const key = keys[TembraUI.BINDING_KEY];
    return `${action.name}: ${key === TembraUI.NO_KEY_GAME ? "none" : TembraUI.keyName(key)}`;
  });
}

function volumeUp(state: State): Promise<CommandResult> | null {
  if (!state.settings) return null;
  const next: number = TembraUI.stepSetting("sfxVolume", state.settings.sfxVolume, 1);
  return client.setting("sfxVolume", next);
}

const toggles: SettingName[] = ["invertY", "widescreen"];
client.on("settings", (settings) => {
  if (!settings) return;
  for (const name of toggles) void client.setting(name, !settings[name]);
});
client.on("bindings", (bindings) => drawBindings(bindings));
client.on("capturedKey", (key: number, counter: number) => {
  if (key === TembraUI.KEYS.ESC || counter < 0) return;
  void client.bind(12, TembraUI.BINDING_KEY, key);
});
client.on("state", (state) => { void volumeUp(state); });

document.addEventListener("wheel", (event) => {
  const code = TembraUI.mouseCodeOfEvent(event);
  if (code === TembraUI.MOUSE.WHEEL_UP) void client.bind(2, TembraUI.BINDING_MOUSE, code);
});

const enterCode: 1045 = TembraUI.KEYS.ENTER;
const none: 0 = TembraUI.NO_KEY;
void client.bind(12, TembraUI.BINDING_KEY_ALT, enterCode).then(({ ok, error }) => ok || console.warn(error, none));
