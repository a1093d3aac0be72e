// The web page's figures, in one browser engine on a local server: page
// weight (and gzipped), load to the first question, last answer to the
// first frame, the time of one present against a plain putImageData of the
// same size in the same page, and the least audio queued ahead over a run.
// Usage: node bench/web_page.js [chromium|firefox|webkit] [SECONDS]
// (default: chromium, the whole demo)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const web = require('../tests/support/web_page.js');

const SITE = path.join(web.top, 'build-web/site');
const engine = process.argv[2] || 'chromium';
const seconds = Number(process.argv[3] || 0);

function weight() {
  const data = JSON.parse(fs.readFileSync(path.join(SITE, 'files.json'), 'utf8'));
  const files = ['index.html', 'page.css', 'page.js', 'tick-worklet.js', 'files.json', 'manifest.webmanifest',
                 'icon.png', 'service-worker.js', 'quarrow-web.js', 'quarrow-web.wasm', ...data];
  let raw = 0, gzipped = 0;
  for (const f of files) {
    const bytes = fs.readFileSync(path.join(SITE, f));
    raw += bytes.length;
    gzipped += zlib.gzipSync(bytes, { level: 9 }).length;
  }
  return { raw, gzipped };
}

const median = (xs) => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];

(async () => {
  const why = web.missing(engine);
  if (why) {
    console.log('skipped: ' + why);
    process.exit(77);
  }
  console.log(`engine                   ${engine}`);
  const w = weight();
  console.log(`page weight              ${(w.raw / 1e6).toFixed(2)} MB, ${(w.gzipped / 1e6).toFixed(2)} MB gzipped (limit 1.5 MB)`);
  const s = await web.start(engine);
  try {
    const toQuestion = [], toFrame = [];
    for (let i = 0; i < 5; i++) {
      await s.open('?answers=4,3,44100,1');
      const m = await s.waitFor(() => window.quarrow && window.quarrow.marks.firstFrame && window.quarrow.marks, 30000);
      toQuestion.push(m.firstQuestion);
      toFrame.push(m.firstFrame - m.lastAnswer);
    }
    console.log(`load to first question   ${median(toQuestion).toFixed(0)} ms median of 5 (limit 1000)`);
    console.log(`last answer to frame     ${median(toFrame).toFixed(0)} ms median of 5 (limit 200)`);

    await s.open('?answers=4,1,44100,1');
    if (seconds > 0) await web.sleep(seconds * 1000);
    else await s.waitForEnd(300000);
    const run = await s.run(() => {
      const q = window.quarrow;
      // The baseline: putImageData of a frame-sized image, nothing else.
      const c = document.getElementById('screen');
      const g = c.getContext('2d');
      const image = new ImageData(c.width, c.height);
      let total = 0;
      for (let i = 0; i < 200; i++) {
        image.data[i] = i;
        const t = performance.now();
        g.putImageData(image, 0, 0);
        total += performance.now() - t;
      }
      return { presents: q.presents, audio: q.audio, baselineMs: total / 200 };
    });
    const p = run.presents, times = p.times.sort((a, b) => a - b);
    const mean = p.totalMs / p.count, at = (f) => times[Math.floor(f * (times.length - 1))].toFixed(2);
    console.log(`present                  ${mean.toFixed(3)} ms mean, median ${at(0.5)}, 99% ${at(0.99)}, worst ` +
                `${p.worstMs.toFixed(1)} over ${p.count} (limits 0.5 mean, 2 worst); ${(mean / run.baselineMs).toFixed(1)} x ` +
                `a bare putImageData (${run.baselineMs.toFixed(3)} ms)`);
    console.log(`audio queued ahead       ${run.audio.minQueuedMs.toFixed(1)} ms at least, longest stall between pumps ` +
                `${run.audio.longestStallMs.toFixed(0)} ms; ${run.audio.late} blocks late of ${run.audio.blocks}`);
    console.log(`machine load             ${require('os').loadavg()[0].toFixed(1)} (1-minute average, 2 cores shared)`);
  } finally {
    await s.close();
  }
})();
