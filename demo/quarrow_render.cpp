// quarrow-render: the demo's script on the virtual clock, with no questions
// and no sound device, writing its frames as indexed PNG files and/or a
// video. It prints the same statistics lines as the demo, and the same seed
// gives the same files. On a terminal it shows its progress on stderr; it
// always ends by saying what it wrote.
#include <getopt.h>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/clock.h"
#include "core/data.h"
#include "demo/demo.h"
#include "demo/script.h"
#include "demo/render_track.h"
#include "display/record/record.h"
#include "display/record/record_leftovers.h"
#include "display/record/record_video.h"

static const char USAGE[] =
    "usage: quarrow-render [--frames DIR] [--video FILE [--scale N]] [--steps LIST] [--seed N]\n"
    "       quarrow-render --list\n"
    "Plays the demo's script on a virtual clock (drawing takes no time) and prints\n"
    "its statistics lines.\n"
    "  --frames DIR  write every frame as DIR/NNNNNN.png (8-bit indexed) and\n"
    "                DIR/frames.tsv (frame, step, label, index within the step)\n"
    "  --video FILE  encode the frames with ffmpeg into FILE (e.g. demo.mp4), at\n"
    "                the demo's pace, with music/quarrow.xm as its sound track\n"
    "                when that is there\n"
    "  --scale N     enlarge each pixel of the video to an N x N block, 1 to 8\n"
    "                (default 2: 640x480); odd scales keep full colour detail\n"
    "  --steps LIST  write only the frames of these script steps, e.g. 3,12-13\n"
    "                (default: all; the steps are listed below)\n"
    "  --seed N      seed the random numbers with N instead of the time of day\n"
    "  --list        print the script, one tab-separated line a step: step, label,\n"
    "                start and end in seconds on the virtual clock, pictures\n"
    "                (comma-separated, - for none), description; it plays the\n"
    "                script to time it, so grafika/ must be in the current folder\n"
    "  --help        show this text\n"
    "  --version     print the program's name and version\n";

static void print_usage(FILE* out)
{
    fputs(USAGE, out);
    fputs("Steps:\n", out);
    for (int step = 0; step <= SCRIPT_STEPS; step++)
        fprintf(out, "  %2d  %-5s  %s\n", step, script_step_label(step),
                script_step(step)->description);
}

static const char* option_value_hint(const char* option)
{
    if (strcmp(option, "--frames") == 0)
        return " (a folder)";
    if (strcmp(option, "--video") == 0)
        return " (a file such as demo.mp4)";
    return "";
}

// Parses "3,12-13" into selection. 0 on success.
static int parse_steps(const char* list, RecordSelection* selection)
{
    memset(selection, 0, sizeof *selection);
    const char* p = list;
    for (;;) {
        char* end;
        long first = strtol(p, &end, 10);
        if (end == p)
            return -1;
        long last = first;
        p = end;
        if (*p == '-') {
            last = strtol(p + 1, &end, 10);
            if (end == p + 1)
                return -1;
            p = end;
        }
        if (first < 0 || last > SCRIPT_STEPS || first > last)
            return -1;
        for (long s = first; s <= last; s++)
            selection->step[s] = true;
        if (*p == '\0')
            return 0;
        if (*p != ',')
            return -1;
        p++;
    }
}

static int parse_seed(const char* text, unsigned* seed)
{
    char* end;
    unsigned long value = strtoul(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || value > 0xffffffffUL)
        return -1;
    *seed = static_cast<unsigned>(value);
    return 0;
}

static int parse_scale(const char* text, int* scale)
{
    char* end;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 8)
        return -1;
    *scale = static_cast<int>(value);
    return 0;
}

// Progress and the closing line ---------------------------------------------

static struct {
    bool shown;  // stderr is a terminal and something is being written
    bool video;
    int step;    // the script step drawing now
    long total;  // frames the script presents; 0 when not known
    long done;
    long written;
    const RecordSelection* selection;
    timespec start;
    double drawn_at;
} progress;

static double seconds_since(const timespec& start)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) / 1e9;
}

// --list: step, label, start, end, pictures, description.
static int print_list()
{
    DemoRun run{};
    ScriptPlan plan;
    if (render_plan(&run, &plan, true) != 0) {
        fputs("quarrow-render: --list plays the script to time it, and could not; run it "
              "where grafika/ is\n",
              stderr);
        return 1;
    }
    for (int step = 0; step <= SCRIPT_STEPS; step++) {
        const ScriptStep* row = script_step(step);
        std::string pictures;
        for (const ScriptPicture& picture : row->pictures)
            if (picture.path)
                pictures += (pictures.empty() ? "" : ",") + std::string(picture.path);
        int32_t end = step < SCRIPT_STEPS ? plan.start_ms[step + 1] : plan.end_ms;
        printf("%d\t%s\t%.3f\t%.3f\t%s\t%s\n", step, row->label, plan.start_ms[step] / 1000.0,
               end / 1000.0, pictures.empty() ? "-" : pictures.c_str(), row->description);
    }
    return 0;
}

static void progress_draw(const char* tail)
{
    double elapsed = seconds_since(progress.start);
    if (progress.total > 0)
        fprintf(stderr, "\rquarrow-render: frame %ld of %ld, %.0f s elapsed", progress.done,
                progress.total, elapsed);
    else
        fprintf(stderr, "\rquarrow-render: frame %ld, %.0f s elapsed", progress.done, elapsed);
    if (tail)
        fprintf(stderr, ", %s", tail);
    else if (progress.total > 0 && progress.done > 0 && progress.done <= progress.total)
        fprintf(stderr, ", about %.0f s left",
                elapsed * static_cast<double>(progress.total - progress.done) / progress.done);
    fputs("\033[K", stderr);
    progress.drawn_at = elapsed;
}

// Called on every present: counts, and redraws the line about ten times a
// second. Statistics lines wait in stdout's buffer until the progress line
// is wiped, so the two never share a line.
static void progress_frame(const Image*, const uint8_t*)
{
    int step = progress.step;
    progress.done++;
    if (step >= 0 && step <= SCRIPT_STEPS && progress.selection->step[step])
        progress.written++;
    if (!progress.shown)
        return;
    // After the last frame only the encoder is left to wait for.
    bool last = progress.done == progress.total;
    bool pending = __fpending(stdout) > 0;
    if (!pending && !last && seconds_since(progress.start) - progress.drawn_at < 0.1)
        return;
    if (pending) {
        fputs("\r\033[K", stderr);
        fflush(stdout);
    }
    progress_draw(last && progress.video ? "finishing the video" : nullptr);
}

// The runner's word on each step: the recording labels its frames with it,
// and the progress counts the frames of the steps being written.
static void progress_step(int step, const char* label)
{
    progress.step = step;
    record_set_step(step, label);
}

static void progress_start(bool writing, bool video, const RecordSelection* selection, long total)
{
    progress.selection = selection;
    progress.video = video;
    progress.shown = writing && isatty(2);
    if (progress.shown) {
        progress.total = total;
        setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    clock_gettime(CLOCK_MONOTONIC, &progress.start);
    record_set_observer(progress_frame);
}

static void progress_end()
{
    record_set_observer(nullptr);
    fflush(stdout);
    if (progress.shown)
        fputs("\r\033[K", stderr);
}

static std::string describe_size(long long bytes)
{
    char text[32];
    if (bytes >= 1000000)
        snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    else
        snprintf(text, sizeof text, "%.0f kB", bytes / 1e3);
    return text;
}

static void print_summary(const char* frames_dir, const char* video_path, int scale)
{
    std::string line = "quarrow-render: " + std::to_string(progress.done) + " frames";
    if (!frames_dir && !video_path) {
        fprintf(stderr, "%s played; nothing written (--frames DIR or --video FILE writes them)\n",
                line.c_str());
        return;
    }
    if (frames_dir)
        line += "; " + std::to_string(progress.written) + " written to " + frames_dir +
                " (NNNNNN.png, frames.tsv)";
    if (video_path) {
        long ms = progress.written * FRAME_PERIOD_MS;
        char length[32];
        snprintf(length, sizeof length, "%ld:%02ld.%ld", ms / 60000, ms / 1000 % 60, ms / 100 % 10);
        struct stat st;
        long long bytes = stat(video_path, &st) == 0 ? st.st_size : 0;
        line += std::string("; video ") + video_path + ": " + length + ", " +
                std::to_string(FRAME_WIDTH * scale) + "x" + std::to_string(FRAME_HEIGHT * scale) + ", " +
                describe_size(bytes) + (record_video_has_sound() ? ", with sound" : ", no sound");
    }
    fprintf(stderr, "%s\n", line.c_str());
}

int main(int argc, char** argv)
{
    static const struct option options[] = {
        {"frames", required_argument, nullptr, 'f'},
        {"steps", required_argument, nullptr, 's'},
        {"video", required_argument, nullptr, 'v'},
        {"scale", required_argument, nullptr, 'x'},
        {"seed", required_argument, nullptr, 'r'},
        {"list", no_argument, nullptr, 'l'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    const char* frames_dir = nullptr;
    const char* video_path = nullptr;
    RecordSelection selection;
    memset(&selection, 1, sizeof selection);
    bool seeded = false;
    unsigned seed = 0;
    int scale = 2;
    bool scale_given = false;
    bool list = false;

    opterr = 0;
    int option;
    while ((option = getopt_long(argc, argv, ":", options, nullptr)) != -1) {
        switch (option) {
        case 'f': frames_dir = optarg; break;
        case 'v': video_path = optarg; break;
        case 's':
            if (parse_steps(optarg, &selection) != 0) {
                fprintf(stderr, "quarrow-render: bad step list '%s' (steps are 0 to %d)\n", optarg,
                        SCRIPT_STEPS);
                return 2;
            }
            break;
        case 'x':
            if (parse_scale(optarg, &scale) != 0) {
                fprintf(stderr, "quarrow-render: bad scale '%s' (1 to 8)\n", optarg);
                return 2;
            }
            scale_given = true;
            break;
        case 'r':
            if (parse_seed(optarg, &seed) != 0) {
                fprintf(stderr, "quarrow-render: bad seed '%s'\n", optarg);
                return 2;
            }
            seeded = true;
            break;
        case 'l': list = true; break;
        case 'h': print_usage(stdout); return 0;
        case 'V': printf("quarrow-render %s\n", QUARROW_VERSION); return 0;
        case ':': {
            const char* name = argv[optind - 1];
            fprintf(stderr, "quarrow-render: option '%s' needs a value%s\n", name,
                    option_value_hint(name));
            return 2;
        }
        default:
            fprintf(stderr, "quarrow-render: unknown option '%s'\n", argv[optind - 1]);
            print_usage(stderr);
            return 2;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "quarrow-render: unexpected argument '%s'\n", argv[optind]);
        print_usage(stderr);
        return 2;
    }
    if (list) {
        if (frames_dir || video_path) {
            fputs("quarrow-render: --list only prints the script; leave out --frames and --video\n",
                  stderr);
            return 2;
        }
        return print_list();
    }
    if (scale_given && !video_path) {
        fputs("quarrow-render: --scale is for the video; give --video FILE too\n", stderr);
        return 2;
    }
    DemoRun run{};
    run.seeded = seeded;
    run.seed = seed;
    run.on_step = progress_step;
    // The script's length, and where each step lies on its clock, are only
    // known by playing it; on the virtual clock with nothing written that
    // takes a fraction of a second. The progress needs the length, the
    // sound track the steps' times.
    bool writing = frames_dir || video_path;
    ScriptPlan plan;
    bool planned = (video_path || (writing && isatty(2))) && render_plan(&run, &plan, false) == 0;
    int sound_fd = -1;
    if (video_path && !planned)
        fputs("quarrow-render: no sound track: the script did not play through ahead of the video\n",
              stderr);
    if (video_path && planned) {
        sound_fd = render_track(&plan, &selection, data_path(DEMO_MODULE).c_str(), RECORD_AUDIO_RATE);
        if (sound_fd == RENDER_TRACK_NO_FILE)
            return 1;
    }
    record_select(&selection);
    progress_start(writing, video_path != nullptr, &selection, planned ? render_plan_frames(&plan, nullptr) : 0);
    // From here on, any end but a complete run leaves no output behind
    // that could pass for a finished one.
    record_leftovers_install();
    if (frames_dir && record_open(frames_dir, &selection) != 0)
        return 1;
    if (video_path && record_video_open(video_path, sound_fd, scale) != 0) {
        fprintf(stderr, "quarrow-render: cannot start ffmpeg for %s\n", video_path);
        return 1;
    }

    int status = demo_run(argc, argv, &run);
    progress_end();
    // The sound track was mixed for the frames the plan counted; a script
    // that drew others would leave sound and picture apart.
    long expected = planned ? render_plan_frames(&plan, &selection) : 0;
    if (status == 0 && sound_fd >= 0 && progress.written != expected) {
        fprintf(stderr, "quarrow-render: the script drew %ld frames where %ld were planned; %s not written\n",
                progress.written, expected, video_path);
        return 1;
    }
    if (status != 0 || record_finish() != 0)
        return 1;
    print_summary(frames_dir, video_path, scale);
    return 0;
}
