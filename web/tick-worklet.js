// Posts a tick every few render quanta (about 12 ms at 44100 Hz). A hidden
// page runs its timers once a second; the audio thread keeps running, so
// the page's waits end on these ticks instead.
class QuarrowTick extends AudioWorkletProcessor {
  constructor() { super(); this.quanta = 0; }
  process() {
    if (++this.quanta % 4 === 0) this.port.postMessage(0);
    return true;
  }
}
registerProcessor('quarrow-tick', QuarrowTick);
