// The page's sound device for the library: made on the pattern of its
// no-sound device, it mixes one block per update with the library's software
// mixer and hands it to the page, which schedules it as an AudioBuffer right
// after the one before. Late blocks are counted by the page.
#include <emscripten.h>
#include <mikmod.h>

#include <vector>

#include "audio/web/web_music.h"

// One block is 20 ms of sound at any rate, so the queue's lead can be held
// to a few blocks.
static constexpr unsigned BLOCKS_PER_SECOND = 50;

static std::vector<SBYTE> block;

EM_JS(int, webaudio_open, (int rate), {
    return Module.quarrowAudioOpen(rate) ? 1 : 0;
});
EM_JS(void, webaudio_play, (const void* samples, int bytes, int channels, int bits), {
    Module.quarrowAudioPlay(samples, bytes, channels, bits);
});
EM_JS(double, webaudio_queued, (), {
    return Module.quarrowAudioQueued();
});
EM_JS(void, webaudio_close, (), {
    Module.quarrowAudioClose();
});

double webaudio_queued_ms()
{
    return webaudio_queued();
}

static BOOL webaudio_is_there()
{
    return 1;
}

static int webaudio_init()
{
    if (!webaudio_open(md_mixfreq)) {
        MikMod_errno = MMERR_OPENING_AUDIO;
        return 1;
    }
    unsigned frame_bytes = ((md_mode & DMODE_16BITS) ? 2u : 1u) * ((md_mode & DMODE_STEREO) ? 2u : 1u);
    block.assign(md_mixfreq / BLOCKS_PER_SECOND * frame_bytes, 0);
    return VC_Init();
}

static void webaudio_exit()
{
    VC_Exit();
    webaudio_close();
    block.clear();
}

static void webaudio_update()
{
    if (block.empty())
        return;
    ULONG bytes = VC_WriteBytes(block.data(), static_cast<ULONG>(block.size()));
    webaudio_play(block.data(), static_cast<int>(bytes), (md_mode & DMODE_STEREO) ? 2 : 1,
                  (md_mode & DMODE_16BITS) ? 16 : 8);
}

static int webaudio_reset()
{
    webaudio_exit();
    return webaudio_init();
}

MDRIVER drv_webaudio = {
    nullptr,
    "Web Audio",
    "Web Audio driver v1.0",
    255, 255,
    "webaudio",
    nullptr,
    nullptr,
    webaudio_is_there,
    VC_SampleLoad,
    VC_SampleUnload,
    VC_SampleSpace,
    VC_SampleLength,
    webaudio_init,
    webaudio_exit,
    webaudio_reset,
    VC_SetNumVoices,
    VC_PlayStart,
    VC_PlayStop,
    webaudio_update,
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
