// The page around quarrow-web: it loads the data into the program's files,
// shows its standard output in the terminal pane (bytes as Latin-1, as the
// demo's menus were written), answers its questions from the input line, a
// click or the address, draws its frames on the canvas, plays the sound its
// Web Audio device mixes, and tells how the demo ended. window.quarrow holds
// the figures the tests and the benchmark read.
'use strict';

(function () {
  const Module = window.Module = {};
  const params = new URLSearchParams(location.search);
  const virtual = params.get('clock') === 'virtual';
  const $ = (id) => document.getElementById(id);
  const output = $('output');
  const canvas = $('screen');
  const stage = $('stage');
  const answerInput = $('answer');

  // What tests and the benchmark read.
  const q = window.quarrow = {
    status: null,          // the exit status once the demo ended
    frames: [],            // virtual clock: {step, index, indices, palette} of the chosen steps
    presents: { count: 0, totalMs: 0, worstMs: 0, times: [] },
    audio: { blocks: 0, late: 0, gaps: [], minQueuedMs: Infinity, longestStallMs: 0, firstAudibleAt: null },
    marks: { load: performance.now() },  // firstQuestion, lastAnswer, firstFrame, firstEffectFrame
    failedFetches: {},
  };

  // What the demo needs of the browser. The tests switch features off with
  // ?without=webassembly,webaudio,audioworklet to see what such a browser says.
  const off = new Set((params.get('without') || '').split(','));
  const AudioContextType = off.has('webaudio') ? undefined : window.AudioContext || window.webkitAudioContext;
  const lacking = [];
  if (typeof WebAssembly !== 'object' || off.has('webassembly')) lacking.push('WebAssembly');
  if (!AudioContextType) lacking.push('Web Audio');
  else if (!('audioWorklet' in AudioContextType.prototype) || off.has('audioworklet')) lacking.push('AudioWorklet');
  if (lacking.length) {
    stage.innerHTML = '';
    $('answer-form').hidden = true;
    output.textContent = 'This browser cannot play the demo: it has no ' + lacking.join(' and no ') + '.';
    q.lacking = lacking;
    return;
  }

  // ---- the terminal pane ------------------------------------------------

  const MODULE_PATH = 'music/quarrow.xm';
  const addresses = {};  // data file -> the address it was fetched from
  let pending = { out: '', err: '' };
  let questionStart = null;  // first line of the question being asked

  function append(text, className) {
    const span = document.createElement('span');
    if (className) span.className = className;
    span.textContent = text;
    output.appendChild(span);
    if (questionStart === null) questionStart = span;
    output.scrollTop = output.scrollHeight;
  }

  function flush(kind) {
    const text = pending[kind];
    if (!text) return;
    pending[kind] = '';
    append(kind === 'err' ? explainError(text) : text, kind === 'err' ? 'err' : '');
    // The music's error line names no file; the module is the one it read.
    if (/^MikMod Error: /.test(text) && q.failedFetches[MODULE_PATH]) append(addressLine(MODULE_PATH), 'err');
  }

  function addressLine(path, reason) {
    return 'quarrow-web: ' + addresses[path] + ': ' + (q.failedFetches[path] || reason) + '\n';
  }

  function writer(kind) {
    return (byte) => {
      if (byte === null || byte === undefined) return;
      pending[kind] += String.fromCharCode(byte & 0xff);
      if (byte === 10) flush(kind);
    };
  }

  // The program names the file it could not read; the page names the
  // address it came from, and the server's answer when it did not come.
  function explainError(line) {
    const m = /^quarrow-web: ([^:]+): (.*)\n$/.exec(line);
    return m && m[1] in addresses ? addressLine(m[1], m[2]) : line;
  }

  // Numbered menu lines of the question being asked answer it on a click.
  function markChoices() {
    if (!questionStart) return;
    const spans = [];
    for (let n = questionStart; n; n = n.nextSibling) spans.push(n);
    for (const span of spans) {
      if (span.className) continue;
      const parts = span.textContent.split(/(?<=\n)/);
      if (parts.length < 2 && !/^\s*\d+[.\s]/.test(parts[0])) continue;
      const frag = document.createDocumentFragment();
      for (const part of parts) {
        const m = /^\s*(\d+)[.\s]/.exec(part);
        const piece = document.createElement('span');
        piece.textContent = part;
        if (m) {
          piece.className = 'choice';
          piece.dataset.answer = m[1];
          piece.title = 'Answer ' + m[1];
        }
        frag.appendChild(piece);
      }
      span.replaceWith(frag);
    }
  }

  // ---- answers -----------------------------------------------------------

  const queued = virtual ? ['1'] : (params.get('answers') || '').split(',').filter((a) => a !== '');
  let waiting = null;

  function give(text, byHand) {
    if (!waiting) return;
    if (byHand) startAudio();
    const resolve = waiting;
    waiting = null;
    answerInput.disabled = $('send').disabled = true;
    output.querySelectorAll('.choice').forEach((c) => c.classList.remove('choice'));
    append(text + '\n', 'echo');
    questionStart = null;
    q.marks.lastAnswer = performance.now();
    audioRuns().then(() => resolve(text));
  }

  // Once the sound is open, an answer waits (2 s at most) for the context
  // to run: Firefox takes a second or more to start one, and a demo that
  // went on meanwhile would leave its music that far behind the picture.
  function audioRuns() {
    if (!open || audio.state === 'running') return Promise.resolve();
    return new Promise((resolve) => {
      const done = () => { clearTimeout(timer); audio.removeEventListener('statechange', check); resolve(); };
      const check = () => { if (audio.state === 'running') done(); };
      const timer = setTimeout(done, 2000);
      audio.addEventListener('statechange', check);
    });
  }

  Module.quarrowAnswer = function () {
    flush('out');
    flush('err');
    if (q.marks.firstQuestion === undefined) {
      q.marks.firstQuestion = performance.now();
      q.marks.firstQuestionHidden = document.hidden;
      keepForOffline();
    }
    return new Promise((resolve) => {
      waiting = resolve;
      if (queued.length) {
        setTimeout(() => give(queued.shift(), false), 0);
        return;
      }
      markChoices();
      answerInput.disabled = $('send').disabled = false;
      answerInput.focus();
    });
  };

  $('answer-form').addEventListener('submit', (e) => {
    e.preventDefault();
    const text = answerInput.value;
    answerInput.value = '';
    give(text, true);
  });
  output.addEventListener('click', (e) => {
    const choice = e.target.closest('.choice');
    if (choice) give(choice.dataset.answer, true);
  });

  // ---- the canvas --------------------------------------------------------

  const g = canvas.getContext('2d', { alpha: false });
  let image = null;
  const chosenSteps = new Set((params.get('steps') || '').split(',').flatMap((r) => {
    const [a, b] = r.split('-').map(Number);
    if (!Number.isInteger(a)) return [];
    const last = Number.isInteger(b) ? b : a;
    return Array.from({ length: Math.max(0, last - a + 1) }, (_, i) => a + i);
  }));
  let lastStep = -1, stepIndex = 0;

  // The largest picture that fits where it goes with every frame pixel the
  // same whole number of device pixels (a phone has three or so to a CSS
  // pixel).
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const w = stage.clientWidth * ratio, h = stage.clientHeight * ratio;
    const k = Math.max(1, Math.floor(Math.min(w / canvas.width, h / canvas.height)));
    canvas.style.width = canvas.width * k / ratio + 'px';
    canvas.style.height = canvas.height * k / ratio + 'px';
    q.devicePixelsPerPixel = k;
  }
  window.addEventListener('resize', layout);
  document.addEventListener('fullscreenchange', layout);
  document.addEventListener('webkitfullscreenchange', layout);
  layout();

  // Safari on a Mac or an iPad names fullscreen with a webkit prefix; an
  // iPhone has none at all (the manifest's standalone display is its full
  // screen), so the button goes.
  const enterFullscreen = stage.requestFullscreen || stage.webkitRequestFullscreen;
  if (!enterFullscreen) $('fullscreen').hidden = true;
  function fullscreen() {
    if (!enterFullscreen) return;
    // A phone turns to landscape where its browser lets a page ask.
    Promise.resolve(enterFullscreen.call(stage)).then(() => {
      try { screen.orientation.lock('landscape').catch(() => {}); } catch (e) { /* not offered */ }
    }).catch(() => {});
  }
  function toggleFullscreen() {
    if (document.fullscreenElement || document.webkitFullscreenElement) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    } else {
      fullscreen();
    }
  }
  $('fullscreen').addEventListener('click', toggleFullscreen);
  canvas.addEventListener('dblclick', toggleFullscreen);

  Module.quarrowCanvasOpen = function (width, height, full) {
    canvas.width = width;
    canvas.height = height;
    layout();
    if (full) fullscreen();
  };

  // start: when display_present began, on the same clock, so the time of
  // a present includes the conversion through the palette.
  Module.quarrowCanvasPut = function (rgba, indices, palette, width, height, step, start) {
    if (step !== lastStep) { lastStep = step; stepIndex = 0; } else stepIndex++;
    if (virtual) {
      if (!chosenSteps.has(step)) return;
      const rgb = new Uint8Array(768);
      const table = HEAPU8.subarray(palette, palette + 1024);
      for (let i = 0; i < 256; i++) rgb.set(table.subarray(4 * i, 4 * i + 3), 3 * i);
      q.frames.push({ step, index: stepIndex, indices: HEAPU8.slice(indices, indices + width * height), palette: rgb });
    }
    // The view follows the wasm memory, which is replaced when it grows.
    if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba) {
      image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
    }
    g.putImageData(image, 0, 0);
    const ms = performance.now() - start;
    const p = q.presents;
    p.count++;
    p.totalMs += ms;
    p.worstMs = Math.max(p.worstMs, ms);
    p.times.push(ms);
    if (q.marks.firstFrame === undefined && q.marks.lastAnswer !== undefined) q.marks.firstFrame = start;
    if (q.marks.firstEffectFrame === undefined && step >= 1) q.marks.firstEffectFrame = start;
  };

  // ---- keys --------------------------------------------------------------

  let quitAsked = false;
  Module.quarrowQuitAsked = () => quitAsked;
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && q.status === null && !waiting) quitAsked = true;
    if (e.key === 'F11') {
      e.preventDefault();
      toggleFullscreen();
    }
  });

  // ---- sound -------------------------------------------------------------

  let audio = null;       // the AudioContext, made on the first answer given by hand
  let out = null;         // where every block goes; tests record from it
  let rate = 44100, nextTime = 0, open = false;
  const sleepers = new Set();

  function startAudio() {
    if (!audio) {
      audio = new AudioContextType();
      out = audio.createGain();
      out.connect(audio.destination);
      q.audioContext = audio;
      q.audioOut = out;
      // The worklet's ticks end the waits when timers are held back.
      audio.audioWorklet.addModule('tick-worklet.js').then(() => {
        const tick = new AudioWorkletNode(audio, 'quarrow-tick');
        const silent = audio.createGain();
        silent.gain.value = 0;
        tick.connect(silent).connect(audio.destination);
        tick.port.onmessage = wakeSleepers;
      }).catch(() => {});
    }
    if (audio.state === 'suspended') audio.resume();
  }

  Module.quarrowAudioOpen = function (mixRate) {
    try { startAudio(); } catch (e) { return false; }
    // Firefox and WebKit start a context that is allowed to play a second
    // or so after it was made or resumed, Chromium at once: the page asks
    // for a click only when the context is still held back after 2 s, and
    // never where the browser says it may play (Firefox tells).
    const allowed = navigator.getAutoplayPolicy && navigator.getAutoplayPolicy('audiocontext') === 'allowed';
    if (audio.state !== 'running' && !allowed) {
      setTimeout(() => {
        if (audio.state === 'running' || q.status !== null) return;
        append('(Click the page to let the music play.)\n', 'err');
        document.addEventListener('click', () => audio.resume(), { once: true });
      }, 2000);
    }
    rate = mixRate;
    nextTime = 0;
    filled = false;
    open = true;
    return true;
  };

  // Whether the queue has held 100 ms since the device opened, and when the
  // last pump asked how much it holds (see quarrowAudioQueued); when the
  // first block was queued.
  let lastAsked = null, filled = false, firstQueuedAt = 0;

  Module.quarrowAudioPlay = function (samples, bytes, channels, bits) {
    if (!open || bytes <= 0) return;
    const frames = bytes / (channels * bits / 8);
    const buffer = audio.createBuffer(channels, frames, rate);
    for (let c = 0; c < channels; c++) {
      const data = buffer.getChannelData(c);
      if (bits === 16) {
        const s = new Int16Array(HEAPU8.buffer, samples, frames * channels);
        for (let i = 0; i < frames; i++) data[i] = s[i * channels + c] / 32768;
      } else {
        for (let i = 0; i < frames; i++) data[i] = (HEAPU8[samples + i * channels + c] - 128) / 128;
      }
    }
    const now = audio.currentTime;
    if (q.audio.blocks === 0) firstQueuedAt = performance.now();
    if (nextTime < now) {
      // The queue ran dry: this block comes late, after a gap. Not so in
      // the song's first two seconds: WebKit's clock leaps ahead once its
      // output really starts, a moment after the first blocks were queued,
      // and the song simply starts there, a little later, with nothing missing.
      if (q.audio.blocks > 0 && audio.state === 'running' && performance.now() - firstQueuedAt >= 2000) {
        q.audio.late++;
        q.audio.gaps.push({ at: Math.round(performance.now()), ms: Math.round((now - nextTime) * 1000) });
      }
      nextTime = now + 0.02;
    }
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.connect(out);
    source.start(nextTime);
    if (q.audio.firstAudibleAt === null && audio.state === 'running') {
      q.audio.firstAudibleAt = performance.now() + (nextTime - now) * 1000;
    }
    nextTime += frames / rate;
    q.audio.blocks++;
  };

  // Asked before each block a pump mixes. What was left when a pump began,
  // at its least, and the longest time between two pumps (the main thread's
  // longest stall) tell how much lead is needed. They count once the queue
  // has first held 100 ms: it starts empty.
  Module.quarrowAudioQueued = function () {
    if (!open) return Infinity;
    const queuedMs = Math.max(0, (nextTime - audio.currentTime) * 1000);
    const now = performance.now();
    const pumpBegins = lastAsked !== null && now - lastAsked > 1;
    filled = filled || queuedMs >= 100;
    if (pumpBegins && filled && audio.state === 'running') {
      q.audio.minQueuedMs = Math.min(q.audio.minQueuedMs, queuedMs);
      q.audio.longestStallMs = Math.max(q.audio.longestStallMs, now - lastAsked);
    }
    lastAsked = now;
    return queuedMs;
  };

  // The device closes when the music stops; what is queued plays out.
  Module.quarrowAudioClose = function () { open = false; };

  // A context made while the tab was hidden may be held until the tab is
  // seen (WebKit holds it; so does Chromium for a tab never shown).
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible' && audio && audio.state === 'suspended' && q.status === null) {
      audio.resume();
    }
  });

  // ---- the clock's sleep -------------------------------------------------

  function wakeSleepers() {
    const now = performance.now();
    for (const s of sleepers) if (now >= s.deadline) s.done();
  }

  Module.quarrowSleep = function (ms) {
    return new Promise((resolve) => {
      const s = { deadline: performance.now() + ms };
      const timer = setTimeout(() => s.done(), ms);
      s.done = () => { clearTimeout(timer); sleepers.delete(s); resolve(); };
      sleepers.add(s);
    });
  };

  // ---- start and end -----------------------------------------------------

  // Answers in the address come with no click to let the music play: the
  // context is made now, while the program loads. Firefox and WebKit take
  // a moment to start one, and a context that starts with the music would
  // leave the music that far behind the picture.
  if (queued.length && !virtual) startAudio();

  Module.thisProgram = 'quarrow-web';
  Module.arguments = virtual ? ['--seed', String(Number(params.get('seed') || 1))] : [];
  Module.stdout = writer('out');
  Module.stderr = writer('err');
  Module.preRun = [function () {
    Module.addRunDependency('data');
    loadData().then(() => { if (q.status === null) Module.removeRunDependency('data'); });
  }];

  // Every picture and the module, into the folders the demo reads them
  // from. One that cannot be fetched is left out, and the demo reports it
  // when it gets there.
  async function loadData() {
    let files;
    try {
      const response = await fetch('files.json');
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      files = await response.json();
    } catch (e) {
      append('quarrow-web: ' + new URL('files.json', location.href).href + ': ' + e.message + '\n', 'err');
      ended(1);
      return;
    }
    await Promise.all(files.map(async (path) => {
      const url = addresses[path] = new URL(path, location.href).href;
      try {
        const response = await fetch(url);
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        const data = new Uint8Array(await response.arrayBuffer());
        FS.mkdirTree(path.replace(/\/[^/]*$/, ''));
        FS.writeFile(path, data);
      } catch (e) {
        q.failedFetches[path] = e.message;
      }
    }));
  }

  Module.onExit = function (status) { ended(status); };
  Module.onAbort = function (what) { ended(1, String(what)); };

  function ended(status, why) {
    if (q.status !== null) return;
    flush('out');
    flush('err');
    q.status = status;
    waiting = null;
    answerInput.disabled = $('send').disabled = true;
    if (audio) audio.close();
    const line = $('status');
    line.hidden = false;
    line.textContent = 'The demo ended with status ' + status + (why ? ' (' + why + ')' : '') + '.';
    if (status !== 0) line.className = 'failed';
    offerRawSound();
    $('actions').hidden = false;
    $('again').focus();
  }

  // The file device wrote the mixed sound; the page hands it over.
  function offerRawSound() {
    let data;
    try { data = FS.readFile('music.raw'); } catch (e) { return; }
    const link = $('download');
    link.href = URL.createObjectURL(new Blob([data], { type: 'application/octet-stream' }));
    link.download = 'music.raw';
    link.textContent = 'Download the mixed sound (music.raw, ' + data.length + ' bytes)';
    link.hidden = false;
  }

  $('again').addEventListener('click', () => location.reload());

  // The service worker keeps the site's files for a visit without the
  // network. It is registered once the page has fetched what it needs, so
  // that its own fetches are answered from the browser's cache.
  function keepForOffline() {
    if (!('serviceWorker' in navigator)) return;
    navigator.serviceWorker.register('service-worker.js', { updateViaCache: 'none' })
      .then((r) => { q.serviceWorker = r; }).catch((e) => { q.serviceWorkerError = String(e); });
  }

  const script = document.createElement('script');
  script.src = virtual ? 'quarrow-web-virtual.js' : 'quarrow-web.js';
  script.onerror = () => ended(1, 'the program could not be loaded');
  document.body.appendChild(script);
})();
