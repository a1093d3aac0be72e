// The page in real time with its music, answered from the address, with the
// page hidden for 10 s on the way: the whole demo in Chromium, its first
// 70 s in the other engines. What reaches the page's output node is
// recorded and must hold no gap while the song plays.
// Usage: node test_page_realtime.js ENGINE (exit 77: skipped, with the reason).
'use strict';
const assert = require('assert');
const web = require('../support/web_page.js');

const cases = {
  async 'music in real time with no gap and no late block, through a hidden tab'(s) {
    const whole = s.engine === 'chromium';
    await s.open('?answers=4,1,44100,1');
    const recording = await s.record();

    // 20 s in (40 s in the whole demo, during the reliefs) the page is
    // hidden for 10 s.
    await web.sleep(whole ? 40000 : 20000);
    await s.run(() => {
      window.seen = [];
      document.addEventListener('visibilitychange', () => window.seen.push(document.visibilityState));
    });
    if (process.env.QUARROW_SCREENSHOTS) {
      const file = require('path').join(process.env.QUARROW_SCREENSHOTS, `playing-${s.engine}.png`);
      await s.browser.screenshot(file);
      console.log(`     screenshot ${file}`);
    }
    const before = await s.run(() => window.quarrow.presents.count);
    const show = await s.cover();
    await web.sleep(10000);
    await show();
    const hidden = await s.run(() => [window.seen, window.quarrow.presents.count]);
    assert.deepStrictEqual(hidden[0], ['hidden', 'visible']);
    // The audio worklet's ticks keep the frame loop going at several frames
    // a second where timers alone would give one.
    assert.ok(hidden[1] - before >= 50, `${hidden[1] - before} frames in the 10 s hidden`);

    if (whole) await s.waitForEnd(240000);
    else await web.sleep(40000);
    const result = await s.run(() => ({ audio: window.quarrow.audio, marks: window.quarrow.marks,
                                        status: window.quarrow.status }));
    const heard = web.soundAndGaps(await recording.stop());
    const audibleAfter = result.audio.firstAudibleAt - result.marks.firstEffectFrame;
    console.log(`     ${s.engine}: recorded ${heard.soundSeconds} s of sound, longest gap ${heard.longestGapMs} ms ` +
                `${heard.gapAtSeconds} s in; ` +
                `least queued ${(result.audio.minQueuedMs || 0).toFixed(1)} ms, longest stall ` +
                `${(result.audio.longestStallMs || 0).toFixed(0)} ms; music ${audibleAfter.toFixed(0)} ms after the first effect frame`);
    if (whole) {
      assert.strictEqual(result.status, 0);
      assert.strictEqual((await s.pane()).match(/Screens\/sec/g).length, 16);
    }
    assert.doesNotMatch(await s.pane(), /Click the page/, 'a browser that lets the page play is not asked to');
    assert.strictEqual(result.audio.late, 0, 'blocks scheduled late: ' + JSON.stringify(result.audio.gaps));
    assert.ok(audibleAfter <= 200, `music audible ${audibleAfter} ms after the first effect frame`);
    assert.ok(heard.soundSeconds > (whole ? 150 : 30), `${heard.soundSeconds} s of sound`);
    assert.ok(heard.longestGapMs <= 50, `a gap of ${heard.longestGapMs} ms`);
  },
};

web.runCases(cases);
