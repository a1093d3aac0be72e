// The web page in one browser engine, each case with its own local server
// (the site under a sub-folder) and browser: exact frames against
// quarrow-render, the questions answered by the address, a click and
// typing, Escape, a picture the server lacks, a browser lacking a feature,
// hidden and second tabs, a visit without the network, and in Chromium a
// phone held both ways.
// Usage: node test_page.js ENGINE QUARROW_RENDER (exit 77: skipped, with the reason).
'use strict';
const { execFileSync } = require('child_process');
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const web = require('../support/web_page.js');
const { readIndexedPng } = require('../support/png_read.js');

const presents = (s) => s.run(() => window.quarrow.presents.count);
const playing = (s, more = 12) => presents(s).then((n) => s.waitFor((m) => window.quarrow.presents.count >= m &&
  window.quarrow.audio.blocks > 0 && window.quarrow.audioContext.state === 'running', 20000, n + more));

// A phone, as Chromium emulates one, held upright or on its side.
const phone = (width, height) => ({ viewport: { width, height, deviceScaleFactor: 3, isMobile: true, hasTouch: true,
                                                isLandscape: width > height },
                                    userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile' });

const cases = {
  // The transitions start from what the effects before them left, so their
  // frames hold the whole script up to there: steps 4 (fade after the first
  // relief) and 13 (shrink after the water).
  async 'frames on the virtual clock equal quarrow-render\'s, and so does the canvas'(s) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-frames-'));
    execFileSync(process.argv[3], ['--seed', '1', '--steps', '4,13', '--frames', dir],
                 { cwd: web.top, stdio: 'ignore' });
    const expected = fs.readFileSync(path.join(dir, 'frames.tsv'), 'utf8').trim().split('\n').slice(1)
      .map((line) => line.split('\t')).map(([frame, step]) => ({ file: `${frame.padStart(6, '0')}.png`, step: +step }));
    await s.open('?clock=virtual&seed=1&steps=4,13');
    await s.waitForEnd(120000);
    const count = await s.run(() => window.quarrow.frames.length);
    assert.strictEqual(count, expected.length, 'frames presented in steps 4 and 13');
    for (let i = 0; i < count; i += 20) {
      const frames = await s.run((from) => window.quarrow.frames.slice(from, from + 20).map((f) => ({
        step: f.step, indices: btoa(String.fromCharCode(...f.indices.subarray(0, 32768))) +
        '|' + btoa(String.fromCharCode(...f.indices.subarray(32768))), palette: Array.from(f.palette) })), i);
      frames.forEach((frame, j) => {
        const png = readIndexedPng(path.join(dir, expected[i + j].file));
        const indices = Buffer.concat(frame.indices.split('|').map((b) => Buffer.from(b, 'base64')));
        assert.strictEqual(frame.step, expected[i + j].step);
        assert.ok(indices.equals(Buffer.from(png.indices)), `indices of frame ${i + j}`);
        assert.deepStrictEqual(frame.palette, Array.from(png.palette), `palette of frame ${i + j}`);
      });
    }
    // The canvas shows the last frame: each pixel is its index's colour.
    const last = readIndexedPng(path.join(dir, expected[expected.length - 1].file));
    const shown = Buffer.from(await s.run(() => {
      const c = document.getElementById('screen');
      const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      let text = '';
      for (let i = 0; i < rgba.length; i += 8192) text += String.fromCharCode(...rgba.subarray(i, i + 8192));
      return btoa(text);
    }), 'base64');
    for (let i = 0; i < last.indices.length; i++) {
      const rgb = last.palette.subarray(3 * last.indices[i], 3 * last.indices[i] + 3);
      if (shown[4 * i] !== rgb[0] || shown[4 * i + 1] !== rgb[1] || shown[4 * i + 2] !== rgb[2]) {
        assert.fail(`canvas pixel ${i % 320},${Math.floor(i / 320)} is not palette[${last.indices[i]}]`);
      }
    }
    fs.rmSync(dir, { recursive: true });
  },

  // The first answer comes from the address, the device from a click on its
  // menu line; a wrong typed rate is re-read silently; Escape ends with 0.
  async 'questions by address, click and typing; Escape ends the demo'(s) {
    await s.open('?answers=4');
    await s.waitForText(/ 3 Nosound Driver v3\.0\nType corresponding number : $/, 30000);
    await s.choose(/Nosound/);
    await s.waitForText(/\(eg\. 11025,22050,44100\) : $/);
    await s.answer('7');
    await s.answer('22050');
    await s.waitForText(/Using No Sound for 16 bit interpolated stereo sound at 22050 Hz\n/);
    assert.match(await s.pane(), /: 7\n22050\nUsing/, 'the wrong answer is echoed and re-read without a word');
    assert.match(await s.pane(), /0\. NO\u00a0music\n/, 'the menu\'s byte 0xA0 is a no-break space');
    await s.answer('1');
    await s.waitFor(() => window.quarrow.presents.count > 20, 20000);
    assert.doesNotMatch(await s.pane(), /Click the page/, 'answers given by hand let the music play');
    await s.browser.key('Escape');
    await s.waitForEnd(5000);
    assert.strictEqual(await s.run(() => document.getElementById('status').textContent), 'The demo ended with status 0.');
    // Closing a context is asynchronous; Firefox takes a moment.
    await s.waitFor(() => window.quarrow.audioContext.state === 'closed', 5000);
  },

  async 'a picture the server does not have ends with status 1 and says why'(s) {
    await s.open('?answers=0,1');
    await s.waitForEnd(30000);
    assert.match(await s.pane(), new RegExp('Cann\'t load image grafika/linux\\.pcx !\\n' +
      `quarrow-web: ${s.url}grafika/linux\\.pcx: 404 File not found\\n`));
    assert.strictEqual(await s.run(() => window.quarrow.status), 1);
  },

  async 'a browser without WebAssembly, Web Audio or AudioWorklet is told in one sentence'(s) {
    for (const [off, said] of [['webassembly', 'WebAssembly'], ['webaudio', 'Web Audio'], ['audioworklet', 'AudioWorklet'],
                               ['webassembly,webaudio', 'WebAssembly and no Web Audio']]) {
      await s.open('?answers=4,1,44100,1&without=' + off);
      await s.waitFor(() => window.quarrow && window.quarrow.lacking);
      assert.strictEqual(await s.pane(), `This browser cannot play the demo: it has no ${said}.`);
      assert.ok(await s.run(() => !window.quarrow.marks.firstQuestion && !document.querySelector('canvas')));
    }
  },

  // A tab hidden before the first question plays once it is seen; a
  // second tab of the page plays beside it, and ending one leaves the other.
  async 'a tab hidden from the start plays when shown; two tabs play independently'(s) {
    const show = await s.openHidden('?answers=4,1,44100,1');
    await web.sleep(3000);
    await show();
    await s.waitFor(() => window.quarrow && window.quarrow.marks.firstQuestion !== undefined, 10000);
    assert.ok(await s.run(() => window.quarrow.marks.firstQuestionHidden), 'the first question came while hidden');
    await playing(s);
    const first = await s.browser.tab();
    await s.browser.newTab();
    await s.open('?answers=4,1,44100,1');
    await playing(s);
    await s.browser.key('Escape');
    await s.waitForEnd(5000);
    await s.browser.closeTab();
    await s.browser.useTab(first);
    await playing(s);
    assert.strictEqual(await s.run(() => window.quarrow.status), null);
  },

  // The site from a sub-folder fetches nothing outside it and weighs at most
  // 1.5 MB; after that visit it plays with the server gone, and a new build
  // on the server replaces the kept one.
  async 'the site from a sub-folder, offline after one visit, and updated with the build'(s) {
    await s.open('?answers=4,1,44100,1');
    await playing(s);
    await s.waitFor(() => navigator.serviceWorker.controller &&
      caches.keys().then((k) => k.some((n) => n.startsWith('quarrow-'))), 30000);
    const requests = s.served.requests;
    assert.ok(requests.every((r) => r.startsWith('/' + web.FOLDER)), 'asked outside the folder: ' + requests);
    // The page's weight: each file it was sent. (WebKit's service worker
    // fetches them once more, unconditionally, to keep them.)
    const sent = new Set(s.served.log.filter((r) => r.status === 200).map((r) => r.path.split('?')[0]));
    const weight = [...sent].reduce((sum, p) =>
      sum + fs.statSync(path.join(s.site, decodeURI(p.slice(web.FOLDER.length + 1)) || 'index.html')).size, 0);
    assert.ok(weight <= 1.5e6, `a visit fetched ${weight} bytes`);

    await s.stopServer();
    await s.browser.reload();
    await playing(s);
    assert.doesNotMatch(await s.pane(), /quarrow-web: http/, 'every file came from the kept copy');

    // A new build: another page and another worker.
    fs.writeFileSync(path.join(s.site, 'index.html'),
                     fs.readFileSync(path.join(s.site, 'index.html'), 'utf8').replace('<title>quarrow', '<title>quarrow, rebuilt'));
    const worker = path.join(s.site, 'service-worker.js');
    fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8').replace(/const BUILD = '(\w+)'/, "const BUILD = 'rebuilt'"));
    await s.restartServer();
    await s.browser.reload();
    await s.waitFor(() => caches.keys().then((k) => k.join() === 'quarrow-rebuilt'), 30000);
    await s.stopServer();
    await s.browser.reload();
    assert.strictEqual(await s.run(() => document.title), 'quarrow, rebuilt');
    await playing(s);
  },

  // Upright the page is the screen's width and the picture three device
  // pixels to a frame pixel; on its side the picture fits whole beside the
  // pane. Numbered lines answer by a tap, and fullscreen asks for landscape.
  async 'a phone held upright and on its side'(s) {
    const shots = process.env.QUARROW_SCREENSHOTS || fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-phone-'));
    fs.mkdirSync(shots, { recursive: true });
    for (const [width, height, k] of [[390, 844, 3], [844, 390, 4]]) {
      await s.browser.emulate(phone(width, height));
      await s.open();
      const echoed = (n) => s.waitFor((m) => document.querySelectorAll('#output .echo').length === m, 5000, n);
      await s.choose(/^4\. /, 'tap');
      await echoed(1);
      await s.choose(/Nosound/, 'tap');
      await echoed(2);
      await s.answer('44100');
      await s.choose(/^ *1[.\s]/, 'tap');
      await s.waitFor(() => window.quarrow.presents.count > 24, 20000);
      const look = await s.run(() => {
        const c = document.getElementById('screen').getBoundingClientRect();
        const sizes = [...document.querySelectorAll('#terminal, #terminal *')].filter((e) => e.offsetParent)
          .map((e) => parseFloat(getComputedStyle(e).fontSize));
        const cut = [...document.querySelectorAll('#answer-form > *')].filter((e) => e.getBoundingClientRect().right > innerWidth);
        return { page: document.documentElement.scrollWidth, inner: innerWidth, ratio: devicePixelRatio,
                 k: window.quarrow.devicePixelsPerPixel, canvas: [c.left, c.top, c.width, c.height],
                 smallest: Math.min(...sizes), cut: cut.map((e) => e.id) };
      });
      const file = path.join(shots, `phone-${width}x${height}.png`);
      await s.browser.screenshot(file);
      console.log(`     screenshot ${file}: ${JSON.stringify(look)}`);
      assert.strictEqual(look.page, width, 'the page is the screen\'s width');
      assert.strictEqual(look.inner, width, 'the browser does not zoom the page out');
      assert.deepStrictEqual(look.cut, [], 'cut off at the right');
      assert.ok(look.smallest >= 14, `text of ${look.smallest} px`);
      assert.strictEqual(look.k, k, 'device pixels to a frame pixel');
      // Layout rounds to 1/64 CSS px; the picture is snapped to whole device pixels.
      assert.ok(Math.abs(look.canvas[2] * look.ratio - 320 * k) < 0.1, `${look.canvas[2]} CSS px wide`);
      assert.ok(look.canvas[1] >= 0 && look.canvas[1] + look.canvas[3] <= height, 'the picture is seen whole');
    }
    const asked = await s.run(() => {
      const asks = [];
      screen.orientation.lock = (o) => { asks.push(o); return Promise.resolve(); };
      document.getElementById('fullscreen').click();
      return new Promise((resolve) => setTimeout(() => resolve(asks), 500));
    });
    assert.deepStrictEqual(asked, ['landscape']);
    const manifest = await s.run(() => fetch(document.querySelector('link[rel=manifest]').href).then((r) => r.json()));
    assert.strictEqual(manifest.display, 'standalone');
    const icon = await s.run((src) => fetch(new URL(src, location.href)).then((r) => r.ok && r.headers.get('content-type')),
                             manifest.icons[0].src);
    assert.strictEqual(icon, 'image/png');
  },
};
// The 404 case plays on a copy of the site without the title picture, the
// offline one on a copy it changes; only Chromium emulates a phone.
cases['a picture the server does not have ends with status 1 and says why'].site = { 'grafika/linux.pcx': null };
cases['the site from a sub-folder, offline after one visit, and updated with the build'].site = {};
cases['a phone held upright and on its side'].engines = ['chromium'];

web.runCases(cases);
