// What the web page's tests and benchmark share: a local server for
// build-web/site (or a copy with files changed) under a sub-folder, a
// private PulseAudio null sink, and one of three browser engines behind the
// same few calls: Debian's Chromium and Firefox ESR through the pinned
// puppeteer-core, WebKitGTK through its W3C WebDriver. Everything started
// here is stopped by close().
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');

const top = path.resolve(__dirname, '../..');
const DRIVER = path.join(top, 'tools/browser/node_modules/puppeteer-core');
const SITE = path.join(top, 'build-web/site');
const FOLDER = 'some/where/';  // the site is served from here, as on a static host
const ENGINES = {
  chromium: { program: '/usr/lib/chromium/chromium', package: 'chromium' },
  firefox: { program: '/usr/bin/firefox-esr', package: 'firefox-esr' },
  webkit: { program: '/usr/bin/WebKitWebDriver', package: 'webkit2gtk-driver' },
};

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const scratch = (name) => fs.mkdtempSync(path.join(os.tmpdir(), `quarrow-${name}-`));

// Why the tests cannot run in engine here, or null.
function missing(engine) {
  const e = ENGINES[engine];
  if (!e) return `no engine '${engine}' (one of ${Object.keys(ENGINES).join(', ')})`;
  if (!fs.existsSync(e.program)) return `${engine} is missing (apt-get install ${e.package})`;
  if (engine !== 'webkit' && !fs.existsSync(DRIVER)) return 'puppeteer-core is missing (npm ci --prefix tools/browser)';
  if (engine !== 'chromium' && !fs.existsSync('/usr/bin/pulseaudio')) return 'pulseaudio is missing';
  if (engine === 'webkit' && !fs.existsSync('/usr/bin/Xvfb')) return 'Xvfb is missing';
  if (engine === 'webkit' && !fs.existsSync('/usr/bin/openbox')) return 'openbox is missing (it minimises the hidden page)';
  if (!fs.existsSync(path.join(SITE, 'quarrow-web.wasm'))) return 'no page in build-web/site (tools/build-web, which needs emcc)';
  return null;
}

// A copy of the site with some files changed: {path: Buffer, string or null to remove}.
function siteWith(changes, from = SITE) {
  const dir = scratch('site');
  fs.cpSync(from, dir, { recursive: true });
  for (const [name, data] of Object.entries(changes)) {
    if (data === null) fs.rmSync(path.join(dir, name));
    else fs.writeFileSync(path.join(dir, name), data);
  }
  return dir;
}

// Serves dir at http://127.0.0.1:PORT/some/where/ (port 0: any free one).
// requests lists every path asked for, log each with its status.
function serve(dir, port = 0) {
  const root = scratch('root');
  const folder = path.join(root, FOLDER.replace(/\/$/, ''));
  fs.mkdirSync(path.dirname(folder), { recursive: true });
  fs.symlinkSync(path.resolve(dir), folder);
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', root, String(port)],
                         { stdio: ['ignore', 'pipe', 'pipe'] });
    const requests = [], log = [];
    server.stderr.on('data', (chunk) => {
      for (const m of chunk.toString().matchAll(/"GET (\S+) HTTP\/[\d.]+" (\d+)/g)) {
        requests.push(m[1]);
        log.push({ path: m[1], status: +m[2] });
      }
    });
    server.stdout.on('data', (chunk) => {
      const m = /port (\d+)/.exec(chunk.toString());
      if (m) resolve({ server, requests, log, port: +m[1], url: `http://127.0.0.1:${m[1]}/${FOLDER}`, root });
    });
    server.on('exit', () => reject(new Error('the local server did not start')));
  });
}

function stopServer(s) {
  return new Promise((resolve) => {
    if (s.server.exitCode !== null || s.server.signalCode !== null) return resolve();
    s.server.on('exit', resolve);
    s.server.kill();
  }).then(() => fs.rmSync(s.root, { recursive: true, force: true }));
}

// A PulseAudio daemon of our own with a null sink 'quarrow'; its address
// goes to the browser through PULSE_SERVER.
async function startPulse() {
  const dir = scratch('pulse');
  fs.mkdirSync(path.join(dir, 'run'));
  const socket = path.join(dir, 'native');
  const daemon = spawn('pulseaudio', ['--daemonize=no', '-n', '--exit-idle-time=-1', '--system=false',
    '--use-pid-file=no', '-L', 'module-null-sink sink_name=quarrow rate=44100',
    '-L', `module-native-protocol-unix auth-anonymous=1 socket=${socket}`],
  { cwd: dir, stdio: 'ignore', env: { ...process.env, HOME: dir, XDG_RUNTIME_DIR: path.join(dir, 'run'),
                                      XDG_CONFIG_HOME: path.join(dir, 'config') } });
  for (let waited = 0; waited < 10000; waited += 50) {
    const up = await new Promise((resolve) => {
      const c = net.connect(socket, () => { c.destroy(); resolve(true); });
      c.on('error', () => resolve(false));
    });
    if (up) return { daemon, dir, server: 'unix:' + socket };
    await sleep(50);
  }
  daemon.kill();
  throw new Error('PulseAudio did not start');
}

// Xvfb on a display it picks itself.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const x = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1200x24', '-nolisten', 'tcp', '-noreset'],
                    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    let text = '';
    x.stdio[3].on('data', (chunk) => {
      text += chunk;
      if (text.includes('\n')) resolve({ x, display: ':' + text.trim() });
    });
    x.on('exit', () => reject(new Error('Xvfb did not start')));
  });
}

// ---- the engines -----------------------------------------------------------
// Each returns the same calls on its current tab: goto, run (a function and
// its arguments, run in the page; its result comes back through JSON),
// click and type (on a CSS selector; '\n' in the text is Enter), key, tab
// handling, screenshot and quit.

// Chromium and Firefox through puppeteer-core.
async function puppeteerBrowser(engine, options, env) {
  const [width, height] = options.window;
  const userDataDir = scratch(engine);
  const common = { headless: true, protocolTimeout: 600000, userDataDir, env,
                   defaultViewport: options.phone || { width, height } };
  let browser;
  if (engine === 'chromium') {
    browser = await require(DRIVER).launch({
      ...common, executablePath: ENGINES.chromium.program,
      args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
             '--disable-component-update', '--disable-sync', '--disable-quic',
             '--autoplay-policy=no-user-gesture-required', `--window-size=${width},${height}`],
      // Chromium throttles the timers of a hidden tab only with these left out.
      ignoreDefaultArgs: ['--disable-background-timer-throttling', '--disable-renderer-backgrounding',
                          '--disable-backgrounding-occluded-windows'],
    });
  } else {
    browser = await require(DRIVER).launch({
      ...common, browser: 'firefox', executablePath: ENGINES.firefox.program,
      extraPrefsFirefox: {
        'media.autoplay.default': 0, 'media.autoplay.block-webaudio': false,
        // puppeteer keeps every tab active and focused; a hidden tab must be hidden.
        'layout.testing.top-level-always-active': false, 'focusmanager.testmode': false,
      },
    });
  }
  let page = (await browser.pages())[0] || await browser.newPage();
  const watch = (p) => p.on('pageerror', (e) => console.error('page error:', e.message));
  watch(page);
  return {
    goto: (url) => page.goto(url, { waitUntil: 'load' }),
    reload: () => page.reload({ waitUntil: 'load' }),
    run: async (fn, args) => JSON.parse(await page.evaluate(
      `(async () => JSON.stringify(await (${fn})(...${JSON.stringify(args)})) ?? "null")()`)),
    click: (selector) => page.click(selector),
    tap: (selector) => page.tap(selector),
    type: (selector, text) => page.type(selector, text),
    key: (name) => page.keyboard.press(name),
    async newTab() {
      page = await browser.newPage();
      watch(page);
      await page.bringToFront();
      return page;
    },
    tab: () => page,
    async useTab(p) { page = p; await p.bringToFront(); },
    closeTab: () => page.close(),
    screenshot: (file) => page.screenshot({ path: file }),
    setViewport: (v) => page.setViewport(v),
    emulate: async (device) => { await page.emulate(device); },
    async quit() {
      await browser.close().catch(() => {});
      fs.rmSync(userDataDir, { recursive: true, force: true });
    },
  };
}

// WebKitGTK's MiniBrowser through WebKitWebDriver, over plain HTTP.
async function webkitBrowser(options, env) {
  const port = await new Promise((resolve) => {
    const s = net.createServer().listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => resolve(p)); });
  });
  const driver = spawn(ENGINES.webkit.program, [`--port=${port}`, '--host=127.0.0.1'], { stdio: 'ignore', env });
  const base = `http://127.0.0.1:${port}`;
  async function call(method, where, body) {
    const r = await fetch(base + where, { method, headers: { 'content-type': 'application/json' },
                                          body: body === undefined ? undefined : JSON.stringify(body) });
    const answer = await r.json();
    if (answer.value && answer.value.error) throw new Error(`WebDriver ${where}: ${answer.value.error}: ${answer.value.message}`);
    return answer.value;
  }
  for (let waited = 0; ; waited += 50) {
    try { await call('GET', '/status'); break; } catch (e) {
      if (waited > 10000) { driver.kill(); throw new Error('WebKitWebDriver did not start'); }
      await sleep(50);
    }
  }
  const session = await call('POST', '/session', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { args: ['--automation', '--autoplay-policy=allow',
                                        '--media-playback-requires-user-gesture=false'] } } } });
  const s = `/session/${session.sessionId}`;
  await call('POST', s + '/timeouts', { script: 600000, pageLoad: 60000 });
  const [width, height] = options.window;
  await call('POST', s + '/window/rect', { width, height });
  const element = async (selector) => Object.values(await call('POST', s + '/element', { using: 'css selector', value: selector }))[0];
  const keys = { Escape: '\uE00C', Enter: '\uE007' };
  const toKeys = (text) => text.replace(/\n/g, keys.Enter);
  return {
    goto: (url) => call('POST', s + '/url', { url }),
    reload: () => call('POST', s + '/refresh', {}),
    async run(fn, args) {
      const script = `const done = arguments[arguments.length - 1];
        (async () => JSON.stringify(await (${fn})(...${JSON.stringify(args)})) ?? "null")()
          .then(done, (e) => done(JSON.stringify({ runError: String(e && e.stack || e) })));`;
      const result = JSON.parse(await call('POST', s + '/execute/async', { script, args: [] }));
      if (result && result.runError) throw new Error('in the page: ' + result.runError);
      return result;
    },
    click: async (selector) => call('POST', `${s}/element/${await element(selector)}/click`, {}),
    type: async (selector, text) => call('POST', `${s}/element/${await element(selector)}/value`, { text: toKeys(text) }),
    key: (name) => call('POST', s + '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [
      { type: 'keyDown', value: keys[name] || name }, { type: 'keyUp', value: keys[name] || name }] }] }),
    // MiniBrowser opens a tab as a window of its own, which leaves the one
    // below it visible: a hidden page is a minimised window (the window
    // manager does it), and shown again when set back to its size.
    async hide() {
      await call('POST', s + '/window/minimize', {});
      return () => call('POST', s + '/window/rect', { width, height });
    },
    async newTab() {
      const { handle } = await call('POST', s + '/window/new', { type: 'tab' });
      await call('POST', s + '/window', { handle });
      return handle;
    },
    tab: () => call('GET', s + '/window'),
    useTab: (handle) => call('POST', s + '/window', { handle }),
    closeTab: () => call('DELETE', s + '/window'),
    screenshot: async (file) => fs.writeFileSync(file, Buffer.from(await call('GET', s + '/screenshot'), 'base64')),
    async quit() {
      await call('DELETE', s).catch(() => {});
      driver.kill();
    },
  };
}

// ---- a started page ---------------------------------------------------------

// Starts a server (options.site serves another folder), PulseAudio and the
// engine's browser (options.window is its size, options.phone a device to
// emulate in Chromium).
async function start(engine, options = {}) {
  options = { window: [1280, 800], ...options };
  const served = await serve(options.site || SITE, options.port || 0);
  const pulse = engine === 'chromium' && !options.pulse ? null : await startPulse();
  const xvfb = engine === 'webkit' ? await startXvfb() : null;
  const wm = xvfb && spawn('openbox', ['--sm-disable'], { stdio: 'ignore', env: { ...process.env, DISPLAY: xvfb.display } });
  const env = { ...process.env };
  if (pulse) env.PULSE_SERVER = pulse.server;
  if (xvfb) env.DISPLAY = xvfb.display;
  const b = engine === 'webkit' ? await webkitBrowser(options, env) : await puppeteerBrowser(engine, options, env);
  if (options.phone) await b.emulate(options.phone);
  const s = {
    engine, url: served.url, served, site: options.site || SITE, browser: b, pulse,
    open: (query = '') => b.goto(served.url + query),
    // Opens the page in a tab hidden before the page starts: a blank tab is
    // covered, and goes to the page once it sees itself hidden. Returns what
    // shows it again.
    async openHidden(query = '') {
      await b.goto('about:blank');
      await b.run(`(url) => {
        const go = () => { if (document.hidden) location.assign(url); };
        document.addEventListener('visibilitychange', go);
        setInterval(go, 100);
      }`, [served.url + query]);
      return s.cover();
    },
    run: (fn, ...args) => b.run(fn.toString(), args),
    // Polls fn in the page until it returns a true value, and returns that.
    async waitFor(fn, ms = 10000, ...args) {
      const until = Date.now() + ms;
      for (;;) {
        const value = await b.run(fn.toString(), args).catch((e) => {
          if (/Execution context|navigat|context was destroyed|JavaScript error/i.test(e.message)) return null;
          throw e;
        });
        if (value) return value;
        if (Date.now() > until) throw new Error(`waited ${ms} ms for ${fn.toString().slice(0, 200)}`);
        await sleep(50);
      }
    },
    pane: () => s.run(() => document.getElementById('output').textContent),
    waitForEnd: (ms) => s.waitFor(() => window.quarrow && window.quarrow.status !== null, ms),
    waitForText: (re, ms = 10000) => s.waitFor((source) => {
      const o = document.getElementById('output');
      return o && new RegExp(source).test(o.textContent);
    }, ms, re.source),
    // Types text into the input line once the page asks, and Enter.
    async answer(text) {
      await s.waitFor(() => !document.getElementById('answer').disabled);
      await b.type('#answer', text + '\n');
    },
    // Clicks (or taps) the numbered line of the question whose text matches re.
    async choose(re, how = 'click') {
      await s.waitFor((source) => {
        document.querySelectorAll('#chosen').forEach((e) => e.removeAttribute('id'));
        const line = [...document.querySelectorAll('.choice')].find((e) => new RegExp(source).test(e.textContent));
        if (line) line.id = 'chosen';
        return !!line;
      }, 10000, re.source);
      await b[how]('#chosen');
    },
    // Hides the page's tab behind a new one; the returned call shows it again.
    async cover() {
      if (b.hide) return b.hide();
      const mine = await b.tab();
      await b.newTab();
      return async () => { await b.closeTab(); await b.useTab(mine); };
    },
    // Starts recording what the page's output node plays, in the engine's
    // own audio thread: a worklet keeps the loudest sample of every 10 ms.
    // (What the sound server then makes of the engine's stream is the
    // engine's and the machine's: a sink hears this machine's stalls too.)
    // stop() gives those peaks, in 16-bit steps, for soundAndGaps.
    async record() {
      await s.waitFor(() => window.quarrow.audioOut, 30000);
      await s.run(async () => {
        const q = window.quarrow, context = q.audioContext;
        const code = `registerProcessor('quarrow-peaks', class extends AudioWorkletProcessor {
          constructor() { super(); this.window = Math.round(sampleRate / 100); this.at = 0; this.peak = 0; this.peaks = []; }
          process(inputs) {
            const channels = inputs[0], frames = channels.length ? channels[0].length : 128;
            for (let i = 0; i < frames; i++) {
              for (const c of channels) this.peak = Math.max(this.peak, Math.abs(c[i]));
              if (++this.at === this.window) { this.peaks.push(Math.round(this.peak * 32767)); this.at = this.peak = 0; }
            }
            if (this.peaks.length >= 10) { this.port.postMessage(this.peaks); this.peaks = []; }
            return true;
          }
        });`;
        await context.audioWorklet.addModule(URL.createObjectURL(new Blob([code], { type: 'text/javascript' })));
        q.tap = new AudioWorkletNode(context, 'quarrow-peaks');
        q.peaks = [];
        q.tap.port.onmessage = (e) => { for (const p of e.data) q.peaks.push(p); };
        const silent = context.createGain();
        silent.gain.value = 0;
        q.audioOut.connect(q.tap).connect(silent).connect(context.destination);
      });
      return {
        stop: () => s.run(() => {
          const q = window.quarrow;
          q.audioOut.disconnect(q.tap);
          return q.peaks;
        }),
      };
    },
    stopServer: () => stopServer(served),
    async restartServer() {
      const again = await serve(options.site || SITE, served.port);
      Object.assign(served, { server: again.server, root: again.root, requests: again.requests, log: again.log });
    },
    async close() {
      await b.quit();
      await stopServer(served);
      if (wm) wm.kill();
      if (xvfb) xvfb.x.kill();
      if (pulse) {
        pulse.daemon.kill();
        fs.rmSync(pulse.dir, { recursive: true, force: true });
      }
    },
  };
  return s;
}

// The peaks of 10 ms windows (record().stop()): how many seconds are sound,
// and the longest silence inside it and where it began, in seconds from the
// first sound (a window is silent when its peak is under about -60 dB).
function soundAndGaps(peaks) {
  const SILENT = 33;
  const loud = Array.from(peaks, (peak) => peak > SILENT);
  const first = loud.indexOf(true), last = loud.lastIndexOf(true);
  let sound = 0, gap = 0, gapAt = 0, run = 0;
  for (let w = first; first >= 0 && w <= last; w++) {
    if (loud[w]) { sound++; run = 0; } else if (++run > gap) { gap = run; gapAt = w - run + 1 - first; }
  }
  return { soundSeconds: sound / 100, longestGapMs: gap * 10, gapAtSeconds: gapAt / 100 };
}

// Runs each case (an async function of a started page; its .site, if any,
// lists files to change in a copy of the site, its .options go to start(),
// its .engines, if any, names the only engines it is for) in a browser of
// its own, in the engine named by the first argument; QUARROW_CASE picks
// the cases whose names hold it. Exits 0, 1 when one failed, or 77 when
// none can run here.
async function runCases(cases) {
  const engine = process.argv[2];
  if (!ENGINES[engine]) {
    console.error(`usage: node ${path.basename(process.argv[1])} ${Object.keys(ENGINES).join('|')} ...`);
    process.exit(2);
  }
  const why = missing(engine);
  if (why) {
    console.log('skipped: ' + why);
    process.exit(77);
  }
  let passed = 0, failed = 0;
  for (const [name, run] of Object.entries(cases)) {
    if (run.engines && !run.engines.includes(engine)) continue;
    if (process.env.QUARROW_CASE && !name.includes(process.env.QUARROW_CASE)) continue;
    const site = run.site && siteWith(run.site);
    const s = await start(engine, { ...run.options, site });
    const began = Date.now();
    try {
      await run(s);
      passed++;
      console.log(`ok   ${name} (${engine}, ${((Date.now() - began) / 1000).toFixed(0)} s)`);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name} (${engine})\n${e.stack}\n--- pane:\n${await s.pane().catch(() => '')}`);
    } finally {
      await s.close();
      if (site) fs.rmSync(site, { recursive: true });
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

module.exports = { top, SITE, FOLDER, start, runCases, siteWith, soundAndGaps, missing, sleep };
