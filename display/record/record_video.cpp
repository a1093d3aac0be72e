// Video output of the recording display: frames go as raw RGB through a pipe
// to ffmpeg, which encodes them at the demo's pace, each pixel doubled so the
// result plays at the size people watch the demo at, with the module mixed
// beside them as the sound track. ffmpeg writes under a temporary name
// beside the requested one; the file gets its name only when the whole run
// succeeded.
#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/record/record.h"

static FILE* video_pipe;
static pid_t video_pid;
static std::vector<uint8_t> rgb;
static int video_result;
static std::string sound_track;  // temporary raw samples, removed at the end
static std::string video_path;   // the name asked for
static std::string partial_path; // where ffmpeg writes until the run succeeds

// "dir/.quarrow-render-PID-name.ext" beside path: same file system, so the
// final rename cannot fail for lack of space, and the same extension, from
// which ffmpeg takes the format.
static std::string partial_name(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + ".quarrow-render-" + std::to_string(getpid()) + "-" + base;
}

int record_video_open(const char* path, const char* module_path)
{
    if (module_path) {
        const char* tmp = getenv("TMPDIR");
        std::string raw = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarrow-render-sound-XXXXXX";
        int fd = mkstemp(&raw[0]);
        if (fd >= 0) {
            close(fd);
            sound_track = raw;
            record_pending_file(RECORD_SOUND, raw.c_str());
            if (record_audio_render(module_path, raw.c_str()) != 0) {
                fprintf(stderr, "quarrow-render: no sound track: cannot play %s\n", module_path);
                unlink(raw.c_str());
                record_pending_file(RECORD_SOUND, nullptr);
                sound_track.clear();
            }
        }
    }
    video_path = path;
    partial_path = partial_name(video_path);
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-y", "-loglevel", "error",
        // One frame every 83 ms, as the demo shows them.
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", "320x240", "-framerate", "1000/83",
        "-i", "pipe:0"};
    if (!sound_track.empty()) {
        std::string rate = std::to_string(RECORD_AUDIO_RATE);
        args.insert(args.end(), {"-f", "s16le", "-ar", rate, "-ac", "2", "-i", sound_track,
                                 "-c:a", "aac", "-b:a", "192k", "-shortest"});
    }
    args.insert(args.end(), {"-vf", "scale=640:480:flags=neighbor", "-c:v", "libx264", "-pix_fmt",
                             "yuv420p", "-movflags", "+faststart", partial_path});

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
    record_pending_child(RECORD_VIDEO, pid);
    record_pending_file(RECORD_VIDEO, partial_path.c_str());
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
        std::string message = "quarrow-render: ffmpeg stopped; " + video_path + " not written";
        record_fail(message.c_str());
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
    record_pending_child(RECORD_VIDEO, 0);
    video_pid = 0;
    if (!sound_track.empty()) {
        unlink(sound_track.c_str());
        record_pending_file(RECORD_SOUND, nullptr);
        sound_track.clear();
    }
    video_result = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
    return video_result;
}

int record_video_commit()
{
    if (partial_path.empty())
        return 0;
    if (record_video_close() != 0) {
        fprintf(stderr, "quarrow-render: ffmpeg could not write %s\n", video_path.c_str());
        return -1;
    }
    if (rename(partial_path.c_str(), video_path.c_str()) != 0) {
        fprintf(stderr, "quarrow-render: cannot write %s: %s\n", video_path.c_str(), strerror(errno));
        return -1;
    }
    record_pending_file(RECORD_VIDEO, nullptr);
    partial_path.clear();
    return 0;
}
