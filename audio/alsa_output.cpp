// ALSA output for the music library's software mixer. The library's own
// ALSA driver starts the device before anything was written to it: a sound
// server lets that pass, but a card's driver refuses to start on an empty
// buffer, the library gives up and the song is mixed for nobody. It also
// writes without blocking and spins while the buffer is full. Here the first
// period written starts the device, and a full buffer puts the music process
// to sleep until the card has played a period.
#include "audio/alsa_output.h"

#include <alsa/asoundlib.h>
#include <time.h>

#include <cstdlib>

// Three quarters of a second of sound in periods of 50 ms. The card plays
// the song at its own pace from the first period on, so the buffer's depth
// does not delay what is heard: it is only the room the music process has to
// be late without a gap. A loaded machine needs it (a quarter of a second, as
// the library's driver asked, and even half a second, was not enough in a
// busy virtual machine). The mixer's hold in the music process is beyond it.
static constexpr unsigned BUFFER_US = 750000;
static constexpr unsigned PERIOD_US = 50000;

// Longest single wait for room in the buffer; a device that plays frees a
// period long before.
static constexpr int WAIT_MS = 1000;

// The one device, never shared: opened by the probe child or the music
// process, each of which closes it before it ends.
static snd_pcm_t* alsa_pcm;
static SBYTE* alsa_period;            // one period of mixed sound
static snd_pcm_uframes_t alsa_period_frames;
static unsigned alsa_frame_bytes;
static int alsa_lost;

static BOOL alsa_is_present()
{
    return 1;
}

static void alsa_command_line(const CHAR*)
{
}

static void alsa_close()
{
    if (alsa_pcm)
        snd_pcm_close(alsa_pcm);
    alsa_pcm = nullptr;
    free(alsa_period);
    alsa_period = nullptr;
}

// The library's error number for the first setting the device refused, or
// 0 when it took them all as asked.
static int alsa_configure(snd_pcm_format_t format, unsigned channels, unsigned* rate)
{
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    unsigned buffer_us = BUFFER_US, period_us = PERIOD_US;
    if (snd_pcm_hw_params_any(alsa_pcm, hw) < 0)
        return MMERR_ALSA_NOCONFIG;
    if (snd_pcm_hw_params_set_access(alsa_pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(alsa_pcm, hw, format) < 0)
        return MMERR_ALSA_SETFORMAT;
    if (snd_pcm_hw_params_set_channels(alsa_pcm, hw, channels) < 0)
        return MMERR_ALSA_SETCHANNELS;
    if (snd_pcm_hw_params_set_rate_near(alsa_pcm, hw, rate, nullptr) < 0)
        return MMERR_ALSA_SETRATE;
    if (snd_pcm_hw_params_set_buffer_time_near(alsa_pcm, hw, &buffer_us, nullptr) < 0 ||
        snd_pcm_hw_params_set_period_time_near(alsa_pcm, hw, &period_us, nullptr) < 0)
        return MMERR_ALSA_BUFFERSIZE;
    // Also prepares the device, with ALSA's usual start threshold of one frame.
    if (snd_pcm_hw_params(alsa_pcm, hw) < 0)
        return MMERR_ALSA_SETPARAMS;
    if (snd_pcm_hw_params_get_period_size(hw, &alsa_period_frames, nullptr) < 0)
        return MMERR_ALSA_BUFFERSIZE;
    return 0;
}

static int alsa_init()
{
    alsa_lost = 0;
    snd_pcm_format_t format = (md_mode & DMODE_FLOAT)    ? SND_PCM_FORMAT_FLOAT
                              : (md_mode & DMODE_16BITS) ? SND_PCM_FORMAT_S16
                                                         : SND_PCM_FORMAT_U8;
    unsigned channels = (md_mode & DMODE_STEREO) ? 2 : 1;
    unsigned rate = md_mixfreq;
    // Opened without waiting, so that a card held by another program fails
    // at once instead of hanging the dialogue. A card keeps the mode it was
    // opened in, so writes wait for room through snd_pcm_wait instead.
    if (snd_pcm_open(&alsa_pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        alsa_pcm = nullptr;
        MikMod_errno = MMERR_OPENING_AUDIO;
        return 1;
    }
    int refused = alsa_configure(format, channels, &rate);
    if (!refused && rate != md_mixfreq)
        refused = MMERR_ALSA_SETRATE;
    alsa_frame_bytes = channels * ((md_mode & DMODE_FLOAT) ? 4 : (md_mode & DMODE_16BITS) ? 2 : 1);
    if (!refused) {
        alsa_period = static_cast<SBYTE*>(malloc(alsa_period_frames * alsa_frame_bytes));
        if (!alsa_period)
            refused = MMERR_OUT_OF_MEMORY;
    }
    if (refused) {
        alsa_close();
        MikMod_errno = refused;
        return 1;
    }
    if (VC_Init() != 0) {
        alsa_close();
        return 1;
    }
    return 0;
}

static void alsa_exit()
{
    VC_Exit();
    alsa_close();
}

static int alsa_reset()
{
    alsa_exit();
    return alsa_init();
}

// The device is not started here: it starts by itself on the first period
// written. After a stop it must be prepared again.
static int alsa_play_start()
{
    if (!alsa_pcm)
        return 1;
    if (snd_pcm_state(alsa_pcm) != SND_PCM_STATE_PREPARED && snd_pcm_prepare(alsa_pcm) < 0) {
        MikMod_errno = MMERR_ALSA_PCM_START;
        return 1;
    }
    return VC_PlayStart();
}

// Only the song's own end stops playing (SIGTERM ends the process instead),
// so what the card still holds, the song's last notes, is played out first.
static void alsa_play_stop()
{
    VC_PlayStop();
    if (!alsa_pcm)
        return;
    snd_pcm_sframes_t held = 0;
    if (snd_pcm_state(alsa_pcm) == SND_PCM_STATE_RUNNING && snd_pcm_delay(alsa_pcm, &held) == 0 && held > 0) {
        long long ns = static_cast<long long>(held) * 1000000000 / md_mixfreq;
        timespec pause{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        nanosleep(&pause, nullptr);
    }
    snd_pcm_drop(alsa_pcm);
}

// Mixes one period and hands all of it to the device, sleeping while its
// buffer is full. An underrun (the music process was kept from running) or a
// suspend is recovered from and the rest written; any other failure means
// the device is gone. So does a device that takes nothing for a whole wait,
// or that fails again straight after a recovery: a sound server's plugin
// whose server has died "recovers" every time and never plays again.
static void alsa_update()
{
    if (!alsa_pcm || alsa_lost)
        return;
    ULONG bytes = VC_WriteBytes(alsa_period, static_cast<ULONG>(alsa_period_frames * alsa_frame_bytes));
    const SBYTE* at = alsa_period;
    snd_pcm_uframes_t left = bytes / alsa_frame_bytes;
    bool recovered = false;
    while (left > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(alsa_pcm, at, left);
        if (written == -EAGAIN) {
            int waited = snd_pcm_wait(alsa_pcm, WAIT_MS);
            written = waited < 0 ? waited : waited == 0 ? -EIO : 0;
        }
        if (written < 0 && !recovered) {
            written = snd_pcm_recover(alsa_pcm, static_cast<int>(written), 1);
            recovered = written == 0;
        } else if (written > 0) {
            recovered = false;
        }
        if (written < 0) {
            alsa_lost = 1;
            MikMod_errno = MMERR_ALSA_PCM_WRITE;
            return;
        }
        at += written * alsa_frame_bytes;
        left -= static_cast<snd_pcm_uframes_t>(written);
    }
}

void alsa_output_pause(int held)
{
    snd_pcm_state_t from = held ? SND_PCM_STATE_RUNNING : SND_PCM_STATE_PAUSED;
    if (alsa_pcm && snd_pcm_state(alsa_pcm) == from)
        snd_pcm_pause(alsa_pcm, held);
}

int alsa_output_lost()
{
    return alsa_lost;
}

// The names are the library's own driver's, so the dialogue reads the same.
MDRIVER alsa_output_driver = {
    nullptr,
    "ALSA",
    "Advanced Linux Sound Architecture (ALSA) driver v1.11",
    0,
    255,
    "alsa",
    nullptr,
    alsa_command_line,
    alsa_is_present,
    VC_SampleLoad,
    VC_SampleUnload,
    VC_SampleSpace,
    VC_SampleLength,
    alsa_init,
    alsa_exit,
    alsa_reset,
    VC_SetNumVoices,
    alsa_play_start,
    alsa_play_stop,
    alsa_update,
    nullptr,
    VC_VoiceSetVolume,
    VC_VoiceGetVolume,
    VC_VoiceSetFrequency,
    VC_VoiceGetFrequency,
    VC_VoiceSetPanning,
    VC_VoiceGetPanning,
    VC_VoicePlay,
    VC_VoiceStop,
    VC_VoiceStopped,
    VC_VoiceGetPosition,
    VC_VoiceRealVolume,
};
