// The whole demo in the page in real time with its music through Web Audio,
// answered from the address, with the page hidden behind another tab for
// 10 s on the way. What the page played is recorded from its output node
// and checked with ffmpeg. Usage: node test_page_realtime.js (77: skipped).
'use strict';
const { execFileSync } = require('child_process');
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const web = require('../support/web_page.js');

// 16 kHz mono; a 10 ms window is silent when no sample reaches about -60 dB.
const RATE = 16000, WINDOW = RATE / 100, SILENT = 33;

// The lengths in windows of the sound, and of the longest silence inside it.
function soundAndGaps(samples) {
  const loud = [];
  for (let at = 0; at + WINDOW <= samples.length; at += WINDOW) {
    let peak = 0;
    for (let i = at; i < at + WINDOW; i++) peak = Math.max(peak, Math.abs(samples[i]));
    loud.push(peak > SILENT);
  }
  const first = loud.indexOf(true), last = loud.lastIndexOf(true);
  let sound = 0, gap = 0, run = 0;
  for (let w = first; w <= last; w++) {
    if (loud[w]) { sound++; run = 0; } else gap = Math.max(gap, ++run);
  }
  return { soundSeconds: sound / 100, longestGapMs: gap * 10 };
}

const cases = {
  async 'whole demo with music: 16 statistics lines, no gap, no late block, and a hidden tab'(s) {
    await s.open('?answers=4,1,44100,1');
    await s.page.waitForFunction(() => window.quarrow.audioOut, { polling: 20 });
    await s.page.evaluate(() => {
      const q = window.quarrow;
      const into = q.audioContext.createMediaStreamDestination();
      q.audioOut.connect(into);
      q.recorder = new MediaRecorder(into.stream, { mimeType: 'audio/webm;codecs=opus' });
      q.recorded = [];
      q.recorder.ondataavailable = (e) => q.recorded.push(e.data);
      q.recorder.start(1000);
    });

    // 40 s in, during the reliefs, another tab covers the page for 10 s.
    await new Promise((r) => setTimeout(r, 40000));
    const before = await s.page.evaluate(() => window.quarrow.presents.count);
    const other = await s.browser.newPage();
    await other.bringToFront();
    await new Promise((r) => setTimeout(r, 10000));
    const hidden = await s.page.evaluate(() => [document.visibilityState, window.quarrow.presents.count]);
    await s.page.bringToFront();
    await other.close();
    assert.strictEqual(hidden[0], 'hidden');
    // The audio worklet's ticks keep the frame loop going at several frames
    // a second where timers alone would give one.
    assert.ok(hidden[1] - before >= 50, `${hidden[1] - before} frames in the 10 s hidden`);

    await s.page.waitForFunction(() => window.quarrow.recorder.state === 'inactive' ||
      window.quarrow.status !== null, { timeout: 240000, polling: 500 });
    const result = await s.page.evaluate(async () => {
      const q = window.quarrow;
      if (q.recorder.state !== 'inactive') {
        await new Promise((resolve) => { q.recorder.onstop = resolve; q.recorder.stop(); });
      }
      const bytes = new Uint8Array(await new Blob(q.recorded).arrayBuffer());
      let text = '';
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return { recording: btoa(text), audio: q.audio, marks: q.marks, status: q.status };
    });
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quarrow-recording-'));
    fs.writeFileSync(path.join(dir, 'out.webm'), Buffer.from(result.recording, 'base64'));
    const pcm = execFileSync('ffmpeg', ['-v', 'error', '-i', path.join(dir, 'out.webm'), '-ac', '1', '-ar', String(RATE),
                                       '-f', 's16le', '-'], { maxBuffer: 1 << 28 });
    fs.rmSync(dir, { recursive: true });
    const heard = soundAndGaps(new Int16Array(pcm.buffer, pcm.byteOffset, pcm.length / 2));
    const audibleAfter = result.audio.firstAudibleAt - result.marks.firstEffectFrame;
    console.log(`recorded ${heard.soundSeconds} s of sound, longest gap ${heard.longestGapMs} ms; ` +
                `least queued ${result.audio.minQueuedMs.toFixed(1)} ms, longest stall ` +
                `${result.audio.longestStallMs.toFixed(0)} ms; music ${audibleAfter.toFixed(0)} ms after the first effect frame`);
    assert.strictEqual(result.status, 0);
    assert.strictEqual((await s.pane()).match(/Screens\/sec/g).length, 16);
    assert.strictEqual(result.audio.late, 0, 'blocks scheduled late: ' + JSON.stringify(result.audio.gaps));
    assert.ok(audibleAfter <= 200, `music audible ${audibleAfter} ms after the first effect frame`);
    assert.ok(heard.soundSeconds > 150, `${heard.soundSeconds} s of sound`);
    assert.ok(heard.longestGapMs <= 50, `a gap of ${heard.longestGapMs} ms`);
  },
};

web.runCases(cases, { throttle: true });
