// The web page in Debian's Chromium, each case with its own local server and
// browser: exact frames against quarrow-render, the questions answered by
// the address, a click and typing, Escape, and a picture the server lacks.
// Usage: node test_page.js QUARROW_RENDER (exit 77: skipped, with the reason).
'use strict';
const { execFileSync } = require('child_process');
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const web = require('../support/web_page.js');
const { readIndexedPng } = require('../support/png_read.js');

const cases = {
  // The transitions start from what the effects before them left, so their
  // frames hold the whole script up to there: steps 4 (fade after the first
  // relief) and 13 (shrink after the water).
  async 'frames on the virtual clock equal quarrow-render\'s, and so does the canvas'(s) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-frames-'));
    execFileSync(process.argv[2], ['--seed', '1', '--steps', '4,13', '--frames', dir],
                 { cwd: web.top, stdio: 'ignore' });
    const expected = fs.readFileSync(path.join(dir, 'frames.tsv'), 'utf8').trim().split('\n').slice(1)
      .map((line) => line.split('\t')).map(([frame, step]) => ({ file: `${frame.padStart(6, '0')}.png`, step: +step }));
    await s.open('?clock=virtual&seed=1&steps=4,13');
    await s.waitForEnd(60000);
    const frames = await s.page.evaluate(() => window.quarrow.frames.map((f) => ({
      step: f.step, indices: Array.from(f.indices), palette: Array.from(f.palette) })));
    assert.strictEqual(frames.length, expected.length, 'frames presented in steps 4 and 13');
    frames.forEach((frame, i) => {
      const png = readIndexedPng(path.join(dir, expected[i].file));
      assert.strictEqual(frame.step, expected[i].step);
      assert.ok(Buffer.from(frame.indices).equals(Buffer.from(png.indices)), `indices of frame ${i}`);
      assert.deepStrictEqual(frame.palette, Array.from(png.palette), `palette of frame ${i}`);
    });
    // The canvas shows the last frame: each pixel is its index's colour.
    const last = readIndexedPng(path.join(dir, expected[expected.length - 1].file));
    const shown = await s.page.evaluate(() => {
      const c = document.getElementById('screen');
      return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);
    });
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
    await s.waitForText(/ 3 Nosound Driver v3\.0\nType corresponding number : $/);
    await s.page.evaluate(() => [...document.querySelectorAll('.choice')].find((e) => /Nosound/.test(e.textContent)).click());
    await s.waitForText(/\(eg\. 11025,22050,44100\) : $/);
    await s.answer('7');
    await s.answer('22050');
    await s.waitForText(/Using No Sound for 16 bit interpolated stereo sound at 22050 Hz\n/);
    assert.match(await s.pane(), /: 7\n22050\nUsing/, 'the wrong answer is echoed and re-read without a word');
    assert.match(await s.pane(), /0\. NO\u00a0music\n/, 'the menu\'s byte 0xA0 is a no-break space');
    await s.answer('1');
    await s.page.waitForFunction(() => window.quarrow.presents.count > 20, { polling: 100 });
    await s.page.keyboard.press('Escape');
    await s.waitForEnd(5000);
    assert.strictEqual(await s.page.$eval('#status', (e) => e.textContent), 'The demo ended with status 0.');
    assert.strictEqual(await s.page.evaluate(() => window.quarrow.audioContext.state), 'closed');
  },

  async 'a picture the server does not have ends with status 1 and says why'(s) {
    await s.open('?answers=0,1');
    await s.waitForEnd(30000);
    const pane = await s.pane();
    assert.match(pane, new RegExp('Cann\'t load image grafika/linux\\.pcx !\\n' +
      `quarrow-web: ${s.url}grafika/linux\\.pcx: 404 File not found\\n`));
    assert.strictEqual(await s.page.evaluate(() => window.quarrow.status), 1);
  },
};
// The 404 case plays on a copy of the site without the title picture.
cases['a picture the server does not have ends with status 1 and says why'].site = { 'grafika/linux.pcx': null };

web.runCases(cases);
