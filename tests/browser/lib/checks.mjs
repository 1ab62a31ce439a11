// Named checks for the scripts run by the test command: each prints its result, and the script
// ends with "N passed, N failed" and a failing exit code when any failed.
let passed = 0;
let failed = 0;

export async function check(name, body) {
  try {
    await body();
    passed += 1;
    console.log(`ok - ${name}`);
  } catch (error) {
    failed += 1;
    console.log(`FAIL - ${name}\n    ${String(error && error.stack ? error.stack : error).replace(/\n/g, '\n    ')}`);
  }
}

export function expectEqual(actual, expected, what) {
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  if (a !== e) throw new Error(`${what}: got ${a}, expected ${e}`);
}

export function expectTrue(condition, what) {
  if (!condition) throw new Error(what);
}

export function finish() {
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 && passed > 0 ? 0 : 1);
}
