// Video output of the recording display: frames go as raw RGB through a pipe
// to ffmpeg, which encodes them at the demo's 12 frames a second, each pixel
// doubled so the result plays at the size people watch the demo at.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "display/record/record.h"

static FILE* video_pipe;
static pid_t video_pid;
static std::vector<uint8_t> rgb;
static int video_result;

int record_video_open(const char* path)
{
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
        // No shell: the path reaches ffmpeg as one argument, whatever it holds.
        execlp("ffmpeg", "ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "rawvideo",
               "-pix_fmt", "rgb24", "-video_size", "320x240", "-framerate", "12", "-i", "pipe:0",
               "-vf", "scale=640:480:flags=neighbor", "-c:v", "libx264", "-pix_fmt", "yuv420p",
               "-movflags", "+faststart", path, static_cast<char*>(nullptr));
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
    video_result = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
    return video_result;
}
