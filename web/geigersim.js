// The device in a web page: the front panel with its LCD, keys and start
// hint, driven by the firmware compiled to WebAssembly (geigersim-core.js).
// Every rule (where the LCD and keys lie, what a key does, when the hint
// shows, what the LCD shows, the 500 ms cadence) comes from the core; this
// script only draws what it says and passes the clicks on.
//
// On a page of your own: <div class="geigersim" data-seed="7"
// data-clock="2026-03-07T09:05:30" data-rate="40" data-store="factory"
// data-run="press select; wait 3.5s"> </div> and
// <script src="…/geigersim.js"></script>. index.html mounts one device
// from its own address (?seed=…&clock=…&rate=…&store=…&run=…).
(function () {
  'use strict';

  const kPanelWidth = 524;  // the artwork's size in panel pixels
  const kPanelHeight = 306;
  const kPeriodMs = 500;
  const kHintFontPixels = [12, 11, 10, 9, 8];
  const kHintFont = 'sans-serif';

  // Files beside this script, wherever the page that loads it lies.
  const here = new URL('.', document.currentScript ? document.currentScript.src : location.href);

  let coreScript = null;
  function loadCoreScript() {
    if (!coreScript) {
      coreScript = new Promise((resolve, reject) => {
        if (typeof window.GeigersimCore === 'function') return resolve(window.GeigersimCore);
        const script = document.createElement('script');
        script.src = new URL('geigersim-core.js', here).href;
        script.onload = () => resolve(window.GeigersimCore);
        script.onerror = () => reject(new Error('cannot load ' + script.src));
        document.head.appendChild(script);
      });
    }
    return coreScript;
  }

  // Browser key names to the neutral names the core knows.
  function neutralKeyName(event) {
    if (event.key === ' ' || event.key === 'Spacebar') return 'Space';
    if (event.key.startsWith('Arrow')) return event.key.slice(5);
    return event.key;
  }

  function element(tag, className, parent) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (parent) parent.appendChild(e);
    return e;
  }

  const kStyle = `
.geigersim-device { position: relative; user-select: none; -webkit-user-select: none;
  touch-action: manipulation; -webkit-tap-highlight-color: transparent; outline: none; }
.geigersim-device img.gs-art { display: block; width: 100%; height: auto; pointer-events: none; }
.geigersim-device .gs-frame, .geigersim-device canvas.gs-lcd, .geigersim-device .gs-hint,
.geigersim-device .gs-pressed { position: absolute; pointer-events: none; }
.geigersim-device canvas.gs-lcd { image-rendering: pixelated; image-rendering: crisp-edges; }
.geigersim-device .gs-hint { background: #fff; color: #000; white-space: nowrap; font-family: ${kHintFont};
  transform-origin: 0 0; line-height: 1.25; }
.geigersim-device .gs-pressed { border-radius: 50%; background: rgba(0, 0, 0, 0.22); }
.geigersim-device .gs-message { position: absolute; left: 0; right: 0; top: 0; margin: 0; padding: 4px 8px;
  background: #fff3cd; color: #5c4400; font: 13px sans-serif; }
`;
  function addStyle() {
    if (document.getElementById('geigersim-style')) return;
    const style = element('style', null, document.head);
    style.id = 'geigersim-style';
    style.textContent = kStyle;
  }

  // The guide to the screen shown (the core's words), rendered into an
  // element of the page beside the device.
  function renderGuide(element, g) {
    const text = (tag, content, parent) => {
      const e = element.ownerDocument.createElement(tag);
      e.textContent = content;
      if (parent) parent.appendChild(e);
      return e;
    };
    element.replaceChildren();
    text('h2', g.title, element);
    text('p', g.about, element);
    text('h3', 'Keys', element);
    const keys = element.appendChild(element.ownerDocument.createElement('table'));
    for (let k = 0; k < 4; ++k) {
      const row = keys.insertRow();
      text('b', g.keyNames[k], row.insertCell());
      row.insertCell().textContent = g.keys[k];
    }
    if (g.swapped) text('p', "The display is swivelled: the panel's Up key sends Down and its Down key sends Up.",
                        element);
    text('h3', 'Way back', element);
    text('p', g.back, element);
    if (g.marks.length) {
      text('h3', 'Marks on the screen', element);
      const marks = element.appendChild(element.ownerDocument.createElement('table'));
      for (const m of g.marks) {
        const row = marks.insertRow();
        text('b', m.name, row.insertCell());
        row.insertCell().textContent = m.meaning;
      }
    }
    text('h3', 'In the menu tree', element);
    if (g.path.length) text('p', g.path.join(' \u203a '), element);
    const tree = text('div', '', element);
    tree.className = 'tree';
    for (const line of g.tree) {
      const span = text('span', '\u00a0'.repeat(2 * line.depth) + (line.current ? '\u25b6 ' : '') + line.label, tree);
      if (line.current) span.className = 'here';
      else if (line.onPath) span.className = 'path';
      tree.appendChild(element.ownerDocument.createElement('br'));
    }
  }

  class Device {
    constructor(container, core, keyboardTarget, guideElement) {
      this.core = core;
      this.root = element('div', 'geigersim-device', container);
      this.root.tabIndex = 0;
      this.root.setAttribute('role', 'application');
      this.root.setAttribute('aria-label', 'Geiger counter: click the keys, or use the arrow keys and Space');
      this.art = element('img', 'gs-art', this.root);
      this.art.alt = '';
      this.art.draggable = false;
      this.frame = element('div', 'gs-frame', this.root);
      this.lcd = element('canvas', 'gs-lcd', this.root);
      this.lcd.setAttribute('aria-hidden', 'true');
      this.hint = element('div', 'gs-hint', this.root);
      this.hint.textContent = core.UTF8ToString(core._geigersim_hint_text());
      this.pressedMark = element('div', 'gs-pressed', this.root);
      this.pressedMark.hidden = true;
      this.message = null;
      this.layout = -1;
      this.shownSerial = -1;
      this.shownScale = 0;
      this.pointerKey = -1;
      this.timer = 0;
      this.guideElement = guideElement || null;
      this.guideJson = '';
      this.guideData = null;
      this.guideSerial = -1;

      this.root.addEventListener('pointerdown', (e) => this.pointerDown(e));
      this.root.addEventListener('pointerup', (e) => this.pointerUp(e));
      this.root.addEventListener('pointercancel', () => this.release());
      this.root.addEventListener('pointermove', (e) => this.pointerMove(e));
      this.root.addEventListener('contextmenu', (e) => e.preventDefault());
      (keyboardTarget || this.root).addEventListener('keydown', (e) => this.keyDown(e));
      this.art.addEventListener('load', () => this.draw(true));
      new ResizeObserver(() => this.draw(true)).observe(this.root);
      window.addEventListener('resize', () => this.draw(true));
    }

    // Panel pixels per CSS pixel, and device pixels per panel pixel.
    zoom() { return this.root.getBoundingClientRect().width / kPanelWidth; }
    scale() { return this.zoom() * (window.devicePixelRatio || 1); }

    panelPoint(event) {
      const r = this.root.getBoundingClientRect();
      const zoom = r.width / kPanelWidth;
      return [(event.clientX - r.left) / zoom, (event.clientY - r.top) / zoom];
    }

    pointerDown(event) {
      if (event.button !== 0) return;
      const [x, y] = this.panelPoint(event);
      this.pointerKey = this.core._geigersim_key_at(x, y);
      if (this.pointerKey < 0) return;
      this.root.setPointerCapture(event.pointerId);
      this.showPressed(this.pointerKey);
      event.preventDefault();
      this.root.focus({preventScroll: true});
    }

    // A key acts on release inside it, as a push button does.
    pointerUp(event) {
      if (this.pointerKey < 0) return;
      const [x, y] = this.panelPoint(event);
      const under = this.core._geigersim_key_at(x, y);
      const wanted = this.pointerKey;
      this.release();
      if (under === wanted) this.core._geigersim_click(x, y);
      this.draw(false);
    }

    release() {
      this.pointerKey = -1;
      this.pressedMark.hidden = true;
    }

    pointerMove(event) {
      const [x, y] = this.panelPoint(event);
      const key = this.core._geigersim_key_at(x, y);
      this.root.style.cursor = key >= 0 ? 'pointer' : 'default';
      this.root.title = key < 0 ? this.markAt(x, y) : '';
      if (this.pointerKey >= 0) this.pressedMark.hidden = key !== this.pointerKey;
    }

    keyDown(event) {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      const name = neutralKeyName(event);
      if (this.core.ccall('geigersim_keyboard', 'number', ['string'], [name]) < 0) return;
      event.preventDefault();
      this.draw(false);
    }

    // The guide's words for the LCD mark under panel point (x, y), or ''.
    markAt(x, y) {
      const g = this.guide();
      if (!g) return '';
      const [lx, ly, lw, lh] = this.geometry(1).lcd;
      let px = Math.floor((x - lx) * 122 / lw), py = Math.floor((y - ly) * 32 / lh);
      if (px < 0 || py < 0 || px >= 122 || py >= 32) return '';
      if (g.turned) { px = 121 - px; py = 31 - py; }
      let best = null;
      for (const m of g.marks) {
        if (px < m.x || py < m.y || px >= m.x + m.width || py >= m.y + m.height) continue;
        if (!best || m.width * m.height < best.width * best.height) best = m;
      }
      return best ? best.name + ': ' + best.meaning : '';
    }

    // The guide to the screen shown, as the core gives it: asked again only
    // for a new picture, so the pointer's moves cost nothing.
    guide() {
      const serial = this.core._geigersim_lcd_serial();
      if (this.guideData && serial === this.guideSerial) return this.guideData;
      this.guideSerial = serial;
      const json = this.core.UTF8ToString(this.core._geigersim_guide());
      if (json !== this.guideJson) {
        this.guideJson = json;
        this.guideData = JSON.parse(json);
      }
      return this.guideData;
    }

    showGuide() {
      if (!this.guideElement) return;
      const before = this.guideJson;
      const g = this.guide();
      if (this.guideJson !== before) renderGuide(this.guideElement, g);
    }

    showPressed(drawnKey) {
      const g = this.geometry(1);
      for (let i = 0; i < 4; ++i) {
        const [key, x, y, size] = g.keys[i];
        if (key !== drawnKey) continue;
        const zoom = this.zoom();
        Object.assign(this.pressedMark.style, {
          left: x * zoom + 'px', top: y * zoom + 'px', width: size * zoom + 'px', height: size * zoom + 'px'});
        this.pressedMark.hidden = false;
      }
    }

    geometry(scale) {
      const p = this.core._geigersim_geometry(scale) >> 2;
      const g = this.core.HEAP32.subarray(p, p + 28);
      const keys = [];
      for (let i = 0; i < 4; ++i) keys.push(Array.from(g.subarray(12 + 4 * i, 16 + 4 * i)));
      return {lcd: Array.from(g.subarray(0, 4)), frame: Array.from(g.subarray(4, 8)), pixel: g[8],
              hint: Array.from(g.subarray(9, 12)), keys};
    }

    start(clock, seed) {
      this.core._geigersim_start(clock, seed === null ? 0 : 1, seed === null ? 0 : seed);
    }

    // The window's timer: one period every 500 ms, from now on.
    goLive() {
      if (this.timer) return;
      this.timer = setInterval(() => {
        this.core._geigersim_period();
        this.draw(false);
      }, kPeriodMs);
    }

    showMessage(text) {
      if (!this.message) {
        this.message = element('p', 'gs-message', this.root);
        this.message.setAttribute('role', 'alert');
      }
      this.message.textContent = text;
    }

    // Brings the picture up to date; `resized` when the size or the screen changed.
    draw(resized) {
      const core = this.core;
      const layout = core._geigersim_layout();
      if (layout !== this.layout) {
        this.layout = layout;
        this.art.src = new URL(layout === 0 ? 'panel-normal.svg' : 'panel-turned.svg', here).href;
        resized = true;
      }
      const ratio = window.devicePixelRatio || 1;
      const box = this.root.getBoundingClientRect();
      if (box.width === 0) return;
      const zoom = box.width / kPanelWidth;
      const scale = zoom * ratio;
      if (scale !== this.shownScale) resized = true;
      const g = this.geometry(scale);
      // The panel's corner may fall between device pixels; the LCD must not.
      const shiftX = (Math.round(box.left * ratio) - box.left * ratio) / ratio;
      const shiftY = (Math.round(box.top * ratio) - box.top * ratio) / ratio;
      const place = (e, r) => Object.assign(e.style, {
        left: r[0] / ratio + shiftX + 'px', top: r[1] / ratio + shiftY + 'px',
        width: r[2] / ratio + 'px', height: r[3] / ratio + 'px'});
      if (resized) {
        place(this.frame, g.frame);
        place(this.lcd, g.lcd);
        this.lcd.width = g.lcd[2];
        this.lcd.height = g.lcd[3];
        this.placeHint(g, zoom);
      }
      this.frame.style.background = '#' + core._geigersim_frame_colour().toString(16).padStart(6, '0');
      this.hint.hidden = core._geigersim_hint_shown() === 0;
      const serial = core._geigersim_lcd_serial();
      if (resized || serial !== this.shownSerial) {
        const p = core._geigersim_lcd_rgba(scale);
        if (p) {
          const bytes = new Uint8ClampedArray(core.HEAPU8.buffer, p, g.lcd[2] * g.lcd[3] * 4);
          this.lcd.getContext('2d').putImageData(new ImageData(bytes, g.lcd[2], g.lcd[3]), 0, 0);
        }
        this.shownSerial = serial;
        this.shownScale = scale;
        this.showGuide();
      }
    }

    // The hint's text at the largest size up to 12 pixels that stays clear
    // of the rim, laid out at 100 % and scaled with the panel.
    placeHint(g, zoom) {
      const [x, y, limit] = g.hint;
      const measure = document.createElement('canvas').getContext('2d');
      let size = kHintFontPixels[kHintFontPixels.length - 1];
      for (const pixels of kHintFontPixels) {
        measure.font = pixels + 'px ' + kHintFont;
        if (measure.measureText(this.hint.textContent).width <= limit - x) { size = pixels; break; }
      }
      Object.assign(this.hint.style, {
        left: x * zoom + 'px', top: y * zoom + 'px', fontSize: size + 'px', transform: `scale(${zoom})`});
    }

    // The LCD as presented, 244 x 64 pixels 0xRRGGBB: what geigersim-run's
    // png holds. For checks and for pages that want the picture.
    lcdPicture() {
      const p = this.core._geigersim_lcd_picture() >> 2;
      return Uint32Array.from(this.core.HEAPU32.subarray(p, p + 244 * 64));
    }
  }

  // Mounts one device into `container`. options: seed, clock, rate, store, run (texts as
  // in the page's address), keyboard (an element whose keys drive it; by
  // default the device itself, once it has the focus), guide (an element
  // that shows the guide to the screen shown, following it).
  async function mount(container, options) {
    options = options || {};
    addStyle();
    const factory = await loadCoreScript();
    const core = await factory({locateFile: (file) => new URL(file, here).href});
    const device = new Device(container, core, options.keyboard, options.guide);
    const problems = [];
    const message = () => core.UTF8ToString(core._geigersim_message());
    // The device has no time zone: "now" is the visitor's wall clock.
    let clock = Math.floor(Date.now() / 1000) - new Date().getTimezoneOffset() * 60;
    if (options.clock) {
      const parsed = core.ccall('geigersim_parse_clock', 'number', ['string'], [options.clock]);
      if (Number.isNaN(parsed)) problems.push('clock: ' + message());
      else clock = parsed;
    }
    let seed = null;
    if (options.seed !== undefined && options.seed !== null && options.seed !== '') {
      seed = core.ccall('geigersim_parse_seed', 'number', ['string'], [String(options.seed)]);
      if (seed < 0) {
        problems.push(`seed: '${options.seed}' is not a number from 0 to 4294967295`);
        seed = null;
      }
    }
    device.start(clock, seed);
    // The store is read at power-on: set before the run presses anything.
    const setStore = () => {
      if (options.store === undefined || options.store === null || options.store === '') return true;
      return core.ccall('geigersim_store', 'number', ['string'], [String(options.store)]) === 1;
    };
    if (!setStore()) problems.push(`store: '${options.store}' is not factory or fixed`);
    // A demo rate is the script language's own `demo rate`, checked there.
    if (options.rate !== undefined && options.rate !== null && options.rate !== '') {
      const refused = core.ccall('geigersim_run', 'string', ['string'], ['demo rate ' + options.rate]);
      if (refused) problems.push(`rate: '${options.rate}' is not a rate in counts per minute, 1 to 1000000, or device`);
    }
    // The script runs on virtual time before the first live period.
    if (options.run && !problems.length) {
      const refused = core.ccall('geigersim_run', 'string', ['string'], [options.run]);
      if (refused) {
        problems.push('run: ' + refused);
        device.start(clock, seed);
        setStore();
      }
    }
    if (problems.length) device.showMessage(problems.join('; '));
    device.draw(true);
    device.goLive();
    container.geigersim = device;
    return device;
  }

  function mountAll() {
    for (const div of document.querySelectorAll('div.geigersim')) {
      if (div.geigersim || div.dataset.geigersimMounting) continue;
      div.dataset.geigersimMounting = '1';
      mount(div, {seed: div.dataset.seed, clock: div.dataset.clock, rate: div.dataset.rate,
                  store: div.dataset.store, run: div.dataset.run,
                  guide: div.dataset.guide ? document.getElementById(div.dataset.guide) : null})
          .catch((e) => { div.textContent = 'The device could not start: ' + e.message; });
    }
    const page = document.querySelector('[data-geigersim-page]');
    if (page && !page.geigersim && !page.dataset.geigersimMounting) {
      page.dataset.geigersimMounting = '1';
      const q = new URLSearchParams(location.search);
      mount(page, {seed: q.get('seed'), clock: q.get('clock'), rate: q.get('rate'), store: q.get('store'),
                   run: q.get('run'),
                   keyboard: document,
                   guide: document.querySelector('[data-geigersim-guide]') || document.getElementById('guide')})
          .then((device) => device.root.focus({preventScroll: true}))
          .catch((e) => { page.textContent = 'The device could not start: ' + e.message; });
    }
  }

  window.Geigersim = {mount};
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', mountAll);
  else mountAll();
})();
