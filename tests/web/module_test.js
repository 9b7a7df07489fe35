// Runs the page's WebAssembly module under Node and compares its LCD after
// a script (and after live periods that follow it) with geigersim-run's
// `lcd` dump of the same script, clock and seed.
'use strict';
const fs = require('fs');
const path = require('path');
const {execFileSync} = require('child_process');

const [webDir, runner] = process.argv.slice(2);
const corePath = path.join(webDir, 'geigersim-core.js');
if (!fs.existsSync(corePath)) {
  console.log('SKIP: ' + corePath + ' is not built (needs emscripten)');
  process.exit(77);
}

const kClock = '2026-03-07T09:05:30';
const cases = [
  {seed: 1, script: 'press select; wait 500ms'},  // the logo, kept after power-on clears the surface
  {seed: 7, script: 'press select; wait 3.5s', live: 9},
  {seed: 3, script: 'press select; wait 3s; press up; wait 1h; press down', live: 4},
  {seed: 5, script: 'press select\nwait 3s\npress select\npress down\npress down\npress select\nwait 1s'},
  {seed: 2, script: 'press select; wait 2.5s; real 3 4 5 60 7; wait 10s', live: 6},
  {seed: 2, script: 'press select; wait 2.5s; real 9 9; wait 2s; demo; wait 5s'},
];

// The dump `lcd` prints: each LCD pixel's top-left screen pixel.
function dump(core) {
  const p = core._geigersim_lcd_picture() >> 2;
  const pixels = core.HEAPU32.subarray(p, p + 244 * 64);
  let text = '';
  for (let y = 0; y < 32; ++y) {
    for (let x = 0; x < 122; ++x) {
      const c = pixels[2 * y * 244 + 2 * x];
      text += c === 0x2d2d2d ? '#' : c === 0xaaaaaa ? '.' : '-';
    }
    text += '\n';
  }
  return text;
}

(async () => {
  const factory = require(path.resolve(corePath));
  // The binary is handed over, so the module needs no fetch under Node.
  const core = await factory({wasmBinary: fs.readFileSync(path.join(webDir, 'geigersim-core.wasm'))});
  const clock = core.ccall('geigersim_parse_clock', 'number', ['string'], [kClock]);
  let failed = 0;
  for (const c of cases) {
    core._geigersim_start(clock, 1, c.seed);
    const error = core.ccall('geigersim_run', 'string', ['string'], [c.script]);
    if (error) throw new Error(`${JSON.stringify(c.script)}: ${error}`);
    for (let i = 0; i < (c.live || 0); ++i) core._geigersim_period();
    const extra = c.live ? [`wait ${c.live * 500}ms`] : [];
    const args = ['--clock', kClock, '--seed', String(c.seed), '-e', c.script];
    for (const e of [...extra, 'lcd']) args.push('-e', e);
    const want = execFileSync(runner, args, {encoding: 'latin1'});
    const got = dump(core);
    if (got !== want) {
      ++failed;
      console.log(`FAIL seed ${c.seed}, ${JSON.stringify(c.script)}, ${c.live || 0} live periods\n` +
                  `page:\n${got}runner:\n${want}`);
    }
  }
  // The guide names the screen shown, from the core's table.
  core._geigersim_start(clock, 1, 1);
  core.ccall('geigersim_run', 'string', ['string'], ['press select; wait 3s; press select; press down']);
  const guide = JSON.parse(core.UTF8ToString(core._geigersim_guide()));
  if (guide.title !== 'Main menu: Display options' || guide.keys.length !== 4 ||
      !guide.tree.some((line) => line.current && line.label === 'Display Option') ||
      !guide.marks.some((m) => m.name === 'Speaker')) {
    ++failed;
    console.log('FAIL: the guide to the main menu reads ' + JSON.stringify(guide));
  }
  // A script the runner would refuse is refused here too, and names its place.
  core._geigersim_start(clock, 1, 1);
  const bad = core.ccall('geigersim_run', 'string', ['string'], ['press select\nwait 3x']);
  if (!/line 2/.test(bad)) { ++failed; console.log('FAIL: a bad wait gave ' + JSON.stringify(bad)); }
  const notDevice = core.ccall('geigersim_run', 'string', ['string'], ['press select; png a.png']);
  if (!notDevice) { ++failed; console.log('FAIL: png was accepted in a page script'); }
  console.log(`${cases.length - failed} of ${cases.length} scripts agree`);
  process.exit(failed ? 1 : 0);
})().catch((e) => { console.log(e.stack || String(e)); process.exit(1); });
