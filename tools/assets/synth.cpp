// Instrument synthesis. Every voice is computed in double precision from a
// seeded noise source and scaled to 16 bits, so the samples are the same on
// every build.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster.h"

static const double PI = 3.14159265358979323846;

// Frequency of a note in the module's numbering (C-4 = 48, A-4 = 440 Hz).
static double note_hz(double pitch)
{
    return 440.0 * std::pow(2.0, (pitch - 57.0) / 12.0);
}

// Relative note and finetune so that the sample, recorded at rate and
// sounding at pitch there, sounds at the written note when played.
static void tune(XmSample* s, double rate, double pitch)
{
    double v = 48.0 + 12.0 * std::log2(rate / 8363.0) - pitch;
    double whole = std::round(v);
    s->relative_note = static_cast<int>(whole);
    s->finetune = static_cast<int>(std::lround((v - whole) * 128.0));
}

static std::vector<int16_t> to_pcm(const std::vector<double>& wave, double peak)
{
    double top = 1e-9;
    for (double v : wave)
        top = std::fmax(top, std::fabs(v));
    std::vector<int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); i++)
        pcm[i] = static_cast<int16_t>(std::lround(wave[i] / top * peak * 32767.0));
    return pcm;
}

static double noise(Rng* rng)
{
    return rng_float(rng) * 2.0 - 1.0;
}

// A one-shot sample stops wherever its tail is: fade the last `seconds` to
// silence with a half cosine so that the stop is not heard as a click.
static void fade_end(std::vector<double>* wave, double rate, double seconds)
{
    size_t n = std::min(wave->size(), static_cast<size_t>(rate * seconds));
    size_t from = wave->size() - n;
    for (size_t j = 0; j < n; j++)
        (*wave)[from + j] *= 0.5 * (1.0 + std::cos(PI * static_cast<double>(j) / static_cast<double>(n - 1)));
}

static XmInstrument one_shot(const char* name, std::vector<double> wave, double rate, double peak,
                             int panning = 128)
{
    fade_end(&wave, rate, 0.02);
    XmInstrument ins;
    ins.name = name;
    ins.sample.data = to_pcm(wave, peak);
    ins.sample.panning = panning;
    tune(&ins.sample, rate, 48.0);
    return ins;
}

static XmInstrument kick()
{
    const double rate = 44100;
    std::vector<double> w(static_cast<size_t>(rate * 0.4));
    double phase = 0;
    Rng rng{101};
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate;
        double f = 44.0 + 120.0 * std::exp(-t / 0.03) + 40.0 * std::exp(-t / 0.006);
        phase += 2 * PI * f / rate;
        double body = std::sin(phase) * std::exp(-t / 0.1) * std::fmin(1.0, t / 0.002);
        double click = noise(&rng) * std::exp(-t / 0.0025) * 0.5;
        w[i] = std::tanh(1.6 * (body + click));
    }
    fade_end(&w, rate, 0.1);
    return one_shot("kick", w, rate, 0.95);
}

static XmInstrument snare()
{
    const double rate = 44100;
    std::vector<double> w(static_cast<size_t>(rate * 0.32));
    Rng rng{202};
    double low = 0, prev = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate;
        double n = noise(&rng);
        low += 0.35 * (n - low);  // soften the very top
        double bright = low - prev;
        prev = low;
        double tone = (std::sin(2 * PI * 186 * t) + 0.5 * std::sin(2 * PI * 331 * t)) *
                      std::exp(-t / 0.045);
        w[i] = 0.9 * tone + (0.6 * low + 0.8 * bright) * std::exp(-t / 0.085);
    }
    return one_shot("snare", w, rate, 0.9, 0x60);
}

// Hats and cymbals: high-passed noise mixed with a cluster of detuned square
// waves for the metallic ring.
static std::vector<double> metal(double rate, double seconds, double decay, uint64_t seed)
{
    static const double partials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> w(static_cast<size_t>(rate * seconds));
    Rng rng{seed};
    double h1 = 0, h2 = 0, p1 = 0, p2 = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate;
        double sq = 0;
        for (double f : partials)
            sq += std::sin(2 * PI * f * 3.1 * t) > 0 ? 1.0 : -1.0;
        double x = 0.55 * noise(&rng) + 0.08 * sq;
        h1 = 0.92 * (h1 + x - p1);
        p1 = x;
        h2 = 0.92 * (h2 + h1 - p2);
        p2 = h1;
        w[i] = h2 * std::exp(-t / decay) * std::fmin(1.0, t / 0.0008);
    }
    return w;
}

static XmInstrument clap()
{
    const double rate = 44100;
    std::vector<double> w(static_cast<size_t>(rate * 0.34));
    Rng rng{303};
    // Band-pass (state variable) around 1.3 kHz.
    double low = 0, band = 0;
    const double f = 2 * std::sin(PI * 1300 / rate), q = 0.45;
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate;
        double high = noise(&rng) - low - q * band;
        band += f * high;
        low += f * band;
        double env = std::exp(-t / 0.07);
        for (double burst : {0.0, 0.011, 0.022})
            if (t >= burst && t < burst + 0.009)
                env = std::fmax(env, std::exp(-(t - burst) / 0.004));
        w[i] = band * env;
    }
    return one_shot("clap", w, rate, 0.9, 0xa8);
}

// Noise through a resonant filter that sweeps up over four seconds.
static XmInstrument riser()
{
    const double rate = 16000, seconds = 3.9;
    std::vector<double> w(static_cast<size_t>(rate * seconds));
    Rng rng{404};
    double low = 0, band = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate, u = t / seconds;
        double cutoff = 250.0 * std::pow(22.0, u);
        double f = 2 * std::sin(PI * cutoff / rate), q = 0.25;
        double high = noise(&rng) - low - q * band;
        band += f * high;
        low += f * band;
        w[i] = band * (0.05 + 0.95 * u * u) * std::fmin(1.0, (seconds - t) / 0.02);
    }
    return one_shot("riser", w, rate, 0.8, 0xa0);
}

// Additive tone: partial k of voice v at k * cycles[v] cycles per loop of
// length samples; amp(k, t) shapes the spectrum and must be constant from
// head seconds on, where the loop begins.
struct Additive {
    int period;                 // samples per cycle of the base voice
    std::vector<int> cycles;    // cycles per loop, one per voice
    std::vector<double> level;  // level per voice
    int harmonics;
    double head;                // seconds before the loop
    double pitch;               // note the base voice sounds at
};

template <typename Amp>
static XmInstrument additive(const char* name, const Additive& a, Amp amp, uint64_t seed)
{
    const int base = a.cycles[a.cycles.size() / 2];
    const int loop = a.period * base;
    const double rate = note_hz(a.pitch) * a.period;
    const int head = static_cast<int>(a.head * rate);
    std::vector<double> w(static_cast<size_t>(head + loop), 0.0);
    Rng rng{seed};
    for (size_t v = 0; v < a.cycles.size(); v++) {
        for (int k = 1; k <= a.harmonics; k++) {
            double phase = 2 * PI * rng_float(&rng);
            double step = 2 * PI * k * a.cycles[v] / loop;
            for (size_t i = 0; i < w.size(); i++) {
                double t = std::fmin(static_cast<double>(i), static_cast<double>(head)) / rate;
                w[i] += a.level[v] * amp(k, t) * std::sin(phase + step * static_cast<double>(i));
            }
        }
    }
    XmInstrument ins;
    ins.name = name;
    ins.sample.data = to_pcm(w, 0.9);
    ins.sample.loop_start = head;
    ins.sample.loop_length = loop;
    tune(&ins.sample, rate, a.pitch);
    return ins;
}

// A two-pole low-pass response at harmonic k for a cutoff in harmonics.
static double lowpass(int k, double cutoff)
{
    double r = k / cutoff;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

// A cutoff that falls from top to rest over head seconds and stays there.
static double sweep(double t, double top, double rest, double head, double tau)
{
    double e = std::exp(-t / tau), end = std::exp(-head / tau);
    return rest + (top - rest) * std::fmax(0.0, (e - end) / (1.0 - end));
}

static XmInstrument bell()
{
    const double pitch = 60, rate = note_hz(pitch) * 64;
    std::vector<double> w(static_cast<size_t>(rate * 2.2));
    const double ratio[5] = {1.0, 2.0, 2.76, 5.4, 8.93};
    const double amp[5] = {1.0, 0.55, 0.35, 0.18, 0.08};
    const double decay[5] = {0.9, 0.6, 0.4, 0.18, 0.09};
    const double f0 = note_hz(pitch);
    for (size_t i = 0; i < w.size(); i++) {
        double t = i / rate, v = 0;
        for (int p = 0; p < 5; p++)
            v += amp[p] * std::exp(-t / decay[p]) * std::sin(2 * PI * f0 * ratio[p] * t);
        w[i] = v * std::fmin(1.0, t / 0.002);
    }
    fade_end(&w, rate, 0.4);
    XmInstrument ins;
    ins.name = "bell";
    ins.sample.data = to_pcm(w, 0.9);
    ins.sample.panning = 0xc0;
    tune(&ins.sample, rate, pitch);
    return ins;
}

std::vector<XmInstrument> synth_instruments()
{
    std::vector<XmInstrument> list;
    list.push_back(kick());
    list.push_back(snare());
    list.push_back(one_shot("hat", metal(44100, 0.09, 0.02, 505), 44100, 0.8, 0xe0));
    list.push_back(one_shot("open hat", metal(44100, 0.6, 0.16, 606), 44100, 0.8, 0xd0));
    list.push_back(clap());
    list.push_back(one_shot("crash", metal(22050, 2.2, 0.6, 707), 22050, 0.85, 0x28));
    list.push_back(riser());

    XmInstrument bass = additive(
        "bass", Additive{128, {1}, {1.0}, 28, 0.3, 36},
        [](int k, double t) {
            double saw = 1.0 / k * lowpass(k, sweep(t, 16.0, 4.5, 0.3, 0.05));
            return k == 1 ? saw * 1.1 : saw;
        },
        808);
    bass.volume = XmEnvelope{{{0, 64}, {3, 56}, {12, 48}}, 2};
    bass.fadeout = 0x0c00;
    list.push_back(bass);

    XmInstrument pad = additive(
        "pad", Additive{128, {98, 99, 100, 101, 102}, {0.45, 0.8, 1.0, 0.8, 0.45}, 14, 0.0, 48},
        [](int k, double) { return 1.0 / k * lowpass(k, 5.0); }, 909);
    pad.volume = XmEnvelope{{{0, 0}, {36, 64}, {70, 56}}, 2};
    pad.fadeout = 0x0140;
    pad.sample.panning = 128;
    list.push_back(pad);

    XmInstrument lead = additive(
        "lead", Additive{64, {49, 50, 51}, {0.6, 1.0, 0.6}, 12, 0.0, 60},
        [](int k, double) { return (k & 1 ? 1.0 : 0.45) / k * lowpass(k, 7.0); }, 1010);
    lead.volume = XmEnvelope{{{0, 64}, {6, 54}, {30, 44}}, 2};
    lead.fadeout = 0x0500;
    lead.vibrato_type = 0;
    lead.vibrato_sweep = 48;
    lead.vibrato_depth = 5;
    lead.vibrato_rate = 9;
    lead.sample.panning = 0x48;
    list.push_back(lead);

    XmInstrument pluck = additive(
        "pluck", Additive{64, {1}, {1.0}, 14, 0.35, 60},
        [](int k, double t) { return 1.0 / k * lowpass(k, sweep(t, 12.0, 2.5, 0.35, 0.06)); },
        1111);
    pluck.volume = XmEnvelope{{{0, 64}, {5, 34}, {18, 14}, {48, 0}}, -1};
    pluck.sample.panning = 0x20;
    list.push_back(pluck);

    list.push_back(bell());
    return list;
}
