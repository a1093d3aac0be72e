// What the web page's tests and benchmark share: a local server for
// build-web/site (or a copy with files changed), Debian's Chromium driven by
// the pinned puppeteer-core, and a page opened at an address. Everything
// started here is stopped by close().
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const top = path.resolve(__dirname, '../..');
const DRIVER = path.join(top, 'tools/browser/node_modules/puppeteer-core');
const CHROMIUM = '/usr/lib/chromium/chromium';
const SITE = path.join(top, 'build-web/site');

// Why these tests cannot run here, or null.
function missing() {
  if (!fs.existsSync(CHROMIUM)) return 'Chromium is missing (apt-get install chromium)';
  if (!fs.existsSync(DRIVER)) return 'puppeteer-core is missing (npm ci --prefix tools/browser)';
  if (!fs.existsSync(path.join(SITE, 'quarrow-web.wasm'))) return 'no page in build-web/site (tools/build-web, which needs emcc)';
  return null;
}

// A copy of the site with some files changed: {path: Buffer or null to remove}.
function siteWith(changes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-site-'));
  fs.cpSync(SITE, dir, { recursive: true });
  for (const [name, data] of Object.entries(changes)) {
    if (data === null) fs.rmSync(path.join(dir, name));
    else fs.writeFileSync(path.join(dir, name), data);
  }
  return dir;
}

function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', dir, '0'],
                         { stdio: ['ignore', 'pipe', 'ignore'] });
    server.stdout.on('data', (chunk) => {
      const m = /port (\d+)/.exec(chunk.toString());
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/` });
    });
    server.on('exit', () => reject(new Error('the local server did not start')));
  });
}

// Starts a server and a browser; options.site serves another folder,
// options.throttle keeps Chromium's background throttling on (for hidden
// tabs), options.window is the window's size.
async function start(options = {}) {
  const { server, url } = await serve(options.site || SITE);
  const [width, height] = options.window || [1280, 800];
  const args = ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync', '--disable-quic',
                '--autoplay-policy=no-user-gesture-required', `--window-size=${width},${height}`];
  const browser = await require(DRIVER).launch({
    executablePath: CHROMIUM, headless: true, args,
    ignoreDefaultArgs: options.throttle ? ['--disable-background-timer-throttling',
      '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows'] : [],
    defaultViewport: { width, height },
    protocolTimeout: 600000,  // a whole demo is longer than the default
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-chromium-')),
  });
  const page = await browser.newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  return {
    url, page, browser,
    open: (query = '') => page.goto(url + query, { waitUntil: 'load' }),
    pane: () => page.$eval('#output', (e) => e.textContent),
    waitForEnd: (ms) => page.waitForFunction(() => window.quarrow.status !== null, { timeout: ms, polling: 100 }),
    // Types text into the input line once the page asks, and Enter.
    async answer(text) {
      await page.waitForFunction(() => !document.getElementById('answer').disabled, { polling: 50 });
      await page.type('#answer', text + '\n');
    },
    // Resolves once the pane's text matches re.
    waitForText: (re, ms = 10000) => page.waitForFunction(
      (source) => new RegExp(source).test(document.getElementById('output').textContent),
      { timeout: ms, polling: 50 }, re.source),
    async close() {
      await browser.close().catch(() => {});
      server.kill();
    },
  };
}

// Runs each case (an async function of a started page; its .site, if any,
// lists files to change in a copy of the site) in a browser of its own, and
// exits 0, 1 when one failed, or 77 when none can run here.
async function runCases(cases, options = {}) {
  const why = missing();
  if (why) {
    console.log('skipped: ' + why);
    process.exit(77);
  }
  let passed = 0, failed = 0;
  for (const [name, run] of Object.entries(cases)) {
    const site = run.site && siteWith(run.site);
    const s = await start({ ...options, site });
    try {
      await run(s);
      passed++;
      console.log('ok   ' + name);
    } catch (e) {
      failed++;
      console.log('FAIL ' + name + '\n' + e.stack + '\n--- pane:\n' + await s.pane().catch(() => ''));
    } finally {
      await s.close();
      if (site) fs.rmSync(site, { recursive: true });
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

module.exports = { top, start, runCases };
