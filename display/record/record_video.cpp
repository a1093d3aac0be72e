// Video output of the recording display: frames go through a pipe to ffmpeg
// as planar YUV already enlarged by nearest neighbour, at the demo's pace;
// the sound track comes from a file the caller mixed beforehand, exactly as
// long as the picture, so neither stream ever cuts the other.
// The colours are converted here, once per palette entry, and the chroma
// planes hold exactly one sample per enlarged pixel block, so the encoder
// never blends neighbouring pixels' colours.
// ffmpeg writes under a temporary name beside the requested one; the file
// gets its name only when the whole run succeeded. Its messages are kept
// aside and shown only when it fails.
#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "display/record/record_leftovers.h"
#include "display/record/record_video.h"

static FILE* video_pipe;
static pid_t video_pid;
static FILE* ffmpeg_log;  // ffmpeg's standard error, an unlinked temporary file
static std::vector<uint8_t> planes;
static int video_scale = 2;
static int chroma_scale = 1;  // screen pixels per chroma sample, each way
static int video_result;
static bool with_sound;
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

// ITU-R BT.601 with the studio range, which players assume for untagged
// standard-definition video; the stream is tagged with it as well.
static void palette_to_yuv(const uint8_t* palette, uint8_t* y, uint8_t* u, uint8_t* v)
{
    for (int i = 0; i < 256; i++) {
        int r = palette[3 * i], g = palette[3 * i + 1], b = palette[3 * i + 2];
        y[i] = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
        u[i] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
        v[i] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
}

// One plane: each frame pixel becomes a factor x factor block of samples.
static uint8_t* write_plane(uint8_t* out, const Image* frame, const uint8_t* value, int factor)
{
    const size_t width = static_cast<size_t>(frame->width) * factor;
    for (int y = 0; y < frame->height; y++) {
        const uint8_t* row = frame->pixels + static_cast<size_t>(y) * frame->width;
        uint8_t* first = out;
        for (int x = 0; x < frame->width; x++)
            for (int k = 0; k < factor; k++)
                *out++ = value[row[x]];
        for (int k = 1; k < factor; k++, out += width)
            std::copy(first, first + width, out);
    }
    return out;
}

int record_video_open(const char* path, int sound_fd, int scale)
{
    video_scale = scale;
    // 4:2:0 keeps one chroma sample per 2x2 screen pixels, which is one
    // frame pixel's block exactly when the scale is even; otherwise the
    // chroma is kept whole.
    bool subsampled = scale % 2 == 0;
    chroma_scale = subsampled ? scale / 2 : scale;
    std::string size = std::to_string(FRAME_WIDTH * scale) + "x" + std::to_string(FRAME_HEIGHT * scale);
    video_path = path;
    partial_path = partial_name(video_path);
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-y", "-loglevel", "error",
        // One frame every FRAME_PERIOD_MS, as the demo shows them.
        "-f", "rawvideo", "-pix_fmt", subsampled ? "yuv420p" : "yuv444p", "-video_size", size,
        "-framerate", "1000/" + std::to_string(FRAME_PERIOD_MS), "-i", "pipe:0"};
    with_sound = sound_fd >= 0;
    if (with_sound) {
        bool big_endian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
        args.insert(args.end(), {"-f", big_endian ? "s16be" : "s16le", "-ar",
                                 std::to_string(RECORD_AUDIO_RATE), "-ac", "2", "-i", "pipe:3",
                                 "-c:a", "aac", "-b:a", "192k"});
    }
    // A fast preset keeps the whole demo to seconds; flat areas and hard
    // edges, which the demo is made of, stay clean at this quality.
    args.insert(args.end(), {"-c:v", "libx264", "-preset", "superfast", "-crf", "20",
                             "-colorspace", "smpte170m", "-color_primaries", "smpte170m",
                             "-color_trc", "smpte170m", "-color_range", "tv",
                             "-movflags", "+faststart", partial_path});

    ffmpeg_log = tmpfile();
    int fds[2];
    if (!ffmpeg_log || pipe(fds) != 0) {
        if (sound_fd >= 0)
            close(sound_fd);
        return -1;
    }
    if (sound_fd >= 0)
        lseek(sound_fd, 0, SEEK_SET);
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        if (sound_fd >= 0)
            close(sound_fd);
        return -1;
    }
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        // Standard error first: the log may sit where the sound goes.
        dup2(fileno(ffmpeg_log), 2);
        if (sound_fd >= 0 && sound_fd != 3) {
            dup2(sound_fd, 3);
            close(sound_fd);
        }
        // No shell: each path reaches ffmpeg as one argument, whatever it holds.
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        fprintf(stderr, "cannot be run: %s\n", strerror(errno));
        _exit(127);
    }
    close(fds[0]);
    if (sound_fd >= 0)
        close(sound_fd);
    video_pipe = fdopen(fds[1], "w");
    video_pid = pid;
    record_pending_child(RECORD_VIDEO, pid);
    record_pending_file(RECORD_VIDEO, partial_path.c_str());
    signal(SIGPIPE, SIG_IGN);
    return video_pipe ? 0 : -1;
}

// What ffmpeg said, each line prefixed with "ffmpeg: ", for the message
// that reports its failure; empty when it said nothing.
static std::string ffmpeg_said()
{
    std::string said;
    if (!ffmpeg_log)
        return said;
    fflush(ffmpeg_log);
    rewind(ffmpeg_log);
    char line[1024];
    // Only the first lines: the cause comes first, the rest follows from it.
    for (int count = 0; count < 8 && fgets(line, sizeof line, ffmpeg_log); count++) {
        said += std::string("ffmpeg: ") + line;
        if (said.back() != '\n')
            said += '\n';
    }
    return said;
}

// Our line, then ffmpeg's reason when it gave one.
static std::string failure_message(const std::string& ours)
{
    std::string said = ffmpeg_said();
    if (!said.empty())
        said.pop_back();
    return said.empty() ? ours : ours + "\n" + said;
}

bool record_video_has_sound()
{
    return with_sound;
}

void record_video_frame(const Image* frame, const uint8_t* palette)
{
    if (!video_pipe)
        return;
    uint8_t y[256], u[256], v[256];
    palette_to_yuv(palette, y, u, v);
    size_t luma = static_cast<size_t>(frame->width) * frame->height * video_scale * video_scale;
    size_t chroma = static_cast<size_t>(frame->width) * frame->height * chroma_scale * chroma_scale;
    planes.resize(luma + 2 * chroma);
    uint8_t* out = write_plane(planes.data(), frame, y, video_scale);
    out = write_plane(out, frame, u, chroma_scale);
    write_plane(out, frame, v, chroma_scale);
    if (fwrite(planes.data(), 1, planes.size(), video_pipe) != planes.size()) {
        // ffmpeg closed its input because it is ending; its reason is
        // complete once it has.
        record_video_close();
        std::string message = failure_message("quarrow-render: ffmpeg stopped; " + video_path + " not written");
        record_fail(message.c_str());
    }
}

int record_video_close()
{
    if (!video_pid)
        return video_result;
    int ok = video_pipe != nullptr;
    if (video_pipe && fclose(video_pipe) != 0)
        ok = 0;
    video_pipe = nullptr;
    int status = 0;
    waitpid(video_pid, &status, 0);
    record_pending_child(RECORD_VIDEO, 0);
    video_pid = 0;
    video_result = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
    return video_result;
}

int record_video_commit()
{
    if (partial_path.empty())
        return 0;
    if (record_video_close() != 0) {
        std::string message = failure_message("quarrow-render: ffmpeg could not write " + video_path);
        fprintf(stderr, "%s\n", message.c_str());
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
