// Video output of the recording display: frames go as raw RGB through a pipe
// to ffmpeg, which encodes them at the demo's pace, each pixel doubled so the
// result plays at the size people watch the demo at, with the module mixed
// beside them as the sound track.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/record/record.h"

static FILE* video_pipe;
static pid_t video_pid;
static std::vector<uint8_t> rgb;
static int video_result;
static std::string sound_track;  // temporary raw samples, removed at the end

int record_video_open(const char* path, const char* module_path)
{
    if (module_path) {
        char raw[] = "/tmp/quarrow-render-sound-XXXXXX";
        int fd = mkstemp(raw);
        if (fd >= 0) {
            close(fd);
            sound_track = raw;
            if (record_audio_render(module_path, raw) != 0) {
                fprintf(stderr, "quarrow-render: no sound track: cannot play %s\n", module_path);
                unlink(raw);
                sound_track.clear();
            }
        }
    }
    std::string frame_size = std::to_string(FRAME_WIDTH) + "x" + std::to_string(FRAME_HEIGHT);
    std::string doubled = "scale=" + std::to_string(2 * FRAME_WIDTH) + ":" +
                          std::to_string(2 * FRAME_HEIGHT) + ":flags=neighbor";
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-y", "-loglevel", "error",
        // One frame every 83 ms, as the demo shows them.
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", frame_size, "-framerate", "1000/83",
        "-i", "pipe:0"};
    if (!sound_track.empty()) {
        std::string rate = std::to_string(RECORD_AUDIO_RATE);
        args.insert(args.end(), {"-f", "s16le", "-ar", rate, "-ac", "2", "-i", sound_track,
                                 "-c:a", "aac", "-b:a", "192k", "-shortest"});
    }
    args.insert(args.end(), {"-vf", doubled, "-c:v", "libx264", "-pix_fmt",
                             "yuv420p", "-movflags", "+faststart", path});

    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        // No shell: each path reaches ffmpeg as one argument, whatever it holds.
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        fprintf(stderr, "quarrow-render: cannot run ffmpeg\n");
        _exit(127);
    }
    close(fds[0]);
    video_pipe = fdopen(fds[1], "w");
    video_pid = pid;
    signal(SIGPIPE, SIG_IGN);
    return video_pipe ? 0 : -1;
}

void record_video_frame(const Image* frame, const uint8_t* palette)
{
    if (!video_pipe)
        return;
    size_t count = static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height);
    rgb.resize(3 * count);
    for (size_t i = 0; i < count; i++) {
        const uint8_t* colour = palette + 3 * frame->pixels[i];
        rgb[3 * i] = colour[0];
        rgb[3 * i + 1] = colour[1];
        rgb[3 * i + 2] = colour[2];
    }
    if (fwrite(rgb.data(), 1, rgb.size(), video_pipe) != rgb.size()) {
        fclose(video_pipe);
        video_pipe = nullptr;
    }
}

int record_video_close()
{
    if (!video_pid)
        return video_result;
    int ok = video_pipe != nullptr;
    if (video_pipe)
        fclose(video_pipe);
    video_pipe = nullptr;
    int status = 0;
    waitpid(video_pid, &status, 0);
    video_pid = 0;
    if (!sound_track.empty()) {
        unlink(sound_track.c_str());
        sound_track.clear();
    }
    video_result = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
    return video_result;
}
