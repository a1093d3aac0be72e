// quarrow-render: the demo's script on the virtual clock, with no questions
// and no sound, writing its frames as indexed PNG files. It prints the same
// statistics lines as the demo, and the same seed gives the same files.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/random.h"
#include "core/script.h"
#include "core/trig.h"
#include "display/display.h"
#include "display/record/record.h"

static const char USAGE[] =
    "usage: quarrow-render [--frames DIR] [--video FILE] [--steps LIST] [--seed N]\n"
    "Plays the demo's script on a virtual clock (drawing takes no time) and prints\n"
    "its statistics lines.\n"
    "  --frames DIR  write every frame as DIR/NNNNNN.png (8-bit indexed) and\n"
    "                DIR/frames.tsv (frame, step, label, index within the step)\n"
    "  --video FILE  encode the frames with ffmpeg into FILE (e.g. demo.mp4), at\n"
    "                the demo's pace and twice the size, with music/quarrow.xm as\n"
    "                its sound track when that is there\n"
    "  --steps LIST  write only the frames of these script steps, e.g. 3,12-13\n"
    "                (0 is the blank screen before step 1; default: all)\n"
    "  --seed N      seed the random numbers with N instead of the time of day\n"
    "  --help        show this text\n";

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

int main(int argc, char** argv)
{
    static const struct option options[] = {
        {"frames", required_argument, nullptr, 'f'},
        {"steps", required_argument, nullptr, 's'},
        {"video", required_argument, nullptr, 'v'},
        {"seed", required_argument, nullptr, 'r'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const char* frames_dir = nullptr;
    const char* video_path = nullptr;
    RecordSelection selection;
    memset(&selection, 1, sizeof selection);
    bool seeded = false;
    unsigned seed = 0;

    opterr = 0;
    int option;
    while ((option = getopt_long(argc, argv, "", options, nullptr)) != -1) {
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
        case 'r':
            if (parse_seed(optarg, &seed) != 0) {
                fprintf(stderr, "quarrow-render: bad seed '%s'\n", optarg);
                return 2;
            }
            seeded = true;
            break;
        case 'h': fputs(USAGE, stdout); return 0;
        default:
            fprintf(stderr, "quarrow-render: unknown option '%s'\n%s", argv[optind - 1], USAGE);
            return 2;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "quarrow-render: unexpected argument '%s'\n%s", argv[optind], USAGE);
        return 2;
    }
    record_select(&selection);
    // From here on, any end but a complete run leaves no output behind
    // that could pass for a finished one.
    record_leftovers_install();
    if (frames_dir && record_open(frames_dir, &selection) != 0)
        return 1;
    if (video_path && record_video_open(video_path, "music/quarrow.xm") != 0) {
        fprintf(stderr, "quarrow-render: cannot start ffmpeg for %s\n", video_path);
        return 1;
    }

    trig_init();
    if (seeded)
        srand(seed);
    else
        seed_random();

    Image* frame = nullptr;
    if (image_create(&frame, 320, 240) != 0) {
        fputs("Cann't allocate image!\n", stdout);
        display_shutdown();
        return 1;
    }
    blank_screen(frame);
    script_run(frame);
    image_free(&frame);
    display_shutdown();
    return record_finish() == 0 ? 0 : 1;
}
