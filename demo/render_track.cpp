// The plan of the script and the video's sound track (see render_track.h).
// The picture decides the sound's length: frame k of the video starts at
// k * 83 ms, and the samples between two frames' starts belong to the
// earlier one, so the track ends exactly where the last frame does.
#include "demo/render_track.h"

#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/song_mix.h"
#include "core/clock.h"

static ScriptPlan* planning;
static int planning_step;

static void plan_step(int step, const char*)
{
    planning_step = step;
    planning->start_ms[step] = now_ms();
}

static void plan_frame(const Image*, const uint8_t*)
{
    planning->frames[planning_step]++;
}

int render_plan(const DemoRun* run, ScriptPlan* plan, bool show_errors)
{
    memset(plan, 0, sizeof *plan);
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!freopen("/dev/null", "w", stdout) ||
            (!show_errors && !freopen("/dev/null", "w", stderr)))
            _exit(1);
        RecordSelection none;
        memset(&none, 0, sizeof none);
        record_select(&none);
        planning = plan;
        plan->start_ms[0] = now_ms();
        record_set_observer(plan_frame);
        DemoRun quiet = *run;
        quiet.sound = false;
        quiet.on_step = plan_step;
        char name[] = "quarrow-render";
        char* args[] = {name, nullptr};
        if (demo_run(1, args, &quiet) != 0)
            _exit(1);
        plan->end_ms = now_ms();
        _exit(write(fds[1], plan, sizeof *plan) == sizeof *plan ? 0 : 1);
    }
    close(fds[1]);
    size_t got = 0;
    while (pid > 0 && got < sizeof *plan) {
        ssize_t n = read(fds[0], reinterpret_cast<char*>(plan) + got, sizeof *plan - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fds[0]);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    bool ran = pid > 0 && got == sizeof *plan && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ran ? 0 : -1;
}

long render_plan_frames(const ScriptPlan* plan, const RecordSelection* selection)
{
    long frames = 0;
    for (int step = 0; step <= SCRIPT_STEPS; step++)
        if (!selection || selection->step[step])
            frames += plan->frames[step];
    return frames;
}

// Where frame k of the video starts, in samples.
static long frame_sample(long frame, int rate)
{
    return static_cast<long>(static_cast<long long>(frame) * FRAME_PERIOD_MS * rate / 1000);
}

// Mixes the song from sample from for count samples into out. position is
// where the mixer stands; the song is started again when from lies behind.
// 0, or one of render_track's failures.
static int write_song(FILE* out, long from, long count, long* position)
{
    if (from < *position) {
        if (song_mix_restart() != 0)
            return RENDER_TRACK_NO_MODULE;
        *position = 0;
    }
    song_mix_skip(from - *position);
    *position = from;
    std::vector<int16_t> block(2 * 4096);
    while (count > 0) {
        long step = count < 4096 ? count : 4096;
        song_mix(block.data(), step);
        if (fwrite(block.data(), 4, static_cast<size_t>(step), out) != static_cast<size_t>(step))
            return RENDER_TRACK_NO_FILE;
        count -= step;
        *position += step;
    }
    return 0;
}

int render_track(const ScriptPlan* plan, const RecordSelection* selection, const char* module_path,
                 int rate)
{
    if (song_mix_open(module_path, rate) != 0) {
        fprintf(stderr, "quarrow-render: no sound track: cannot play %s (%s)\n", module_path,
                song_mix_error());
        return RENDER_TRACK_NO_MODULE;
    }
    FILE* out = tmpfile();
    int result = out ? 0 : RENDER_TRACK_NO_FILE;
    long written = 0;  // video frames whose sound is in the file
    long position = 0;
    for (int step = 0; step <= SCRIPT_STEPS && result == 0;) {
        if (!selection->step[step]) {
            step++;
            continue;
        }
        // A run of selected steps plays on from the song's time at its start.
        long frames = 0;
        int first = step;
        for (; step <= SCRIPT_STEPS && selection->step[step]; step++)
            frames += plan->frames[step];
        long from = static_cast<long>(static_cast<long long>(plan->start_ms[first]) * rate / 1000);
        long count = frame_sample(written + frames, rate) - frame_sample(written, rate);
        result = write_song(out, from, count, &position);
        if (result == RENDER_TRACK_NO_MODULE) {
            fprintf(stderr, "quarrow-render: no sound track: cannot play %s again (%s)\n",
                    module_path, song_mix_error());
        }
        written += frames;
    }
    if (result == 0 && fflush(out) != 0)
        result = RENDER_TRACK_NO_FILE;
    int error = errno;
    song_mix_close();
    if (result == RENDER_TRACK_NO_FILE)
        fprintf(stderr, "quarrow-render: cannot write the sound track: %s\n", strerror(error));
    if (result != 0) {
        if (out)
            fclose(out);
        return result;
    }
    // The descriptor outlives the stream; the file goes with the last of them.
    int fd = dup(fileno(out));
    fclose(out);
    return fd < 0 ? RENDER_TRACK_NO_FILE : fd;
}
