// The display operations of quarrow-render (see record.h). Set-up asks
// nothing; every present is numbered and, for the selected steps, written.
#include <errno.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "display/display.h"
#include "display/record/record.h"

static uint8_t current_palette[768];
static std::string out_dir;
static FILE* index_file;
static RecordSelection selected;
static long frame_number;
static int current_step;
static const char* current_label = "blank";
static int last_step = -1;
static long step_index;
static void (*frame_observer)(const Image*, const uint8_t*);

void record_set_step(int step, const char* label)
{
    current_step = step;
    current_label = label;
}

void record_select(const RecordSelection* selection)
{
    selected = *selection;
}

int record_open(const char* dir, const RecordSelection* selection)
{
    if (mkdir(dir, 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "quarrow-render: cannot create %s: %s\n", dir, strerror(errno));
        return -1;
    }
    out_dir = dir;
    std::string index_path = out_dir + "/frames.tsv";
    index_file = fopen(index_path.c_str(), "w");
    if (!index_file) {
        fprintf(stderr, "quarrow-render: cannot write %s: %s\n", index_path.c_str(), strerror(errno));
        return -1;
    }
    fputs("frame\tstep\tlabel\tindex\n", index_file);
    selected = *selection;
    return 0;
}

long record_frame_count()
{
    return frame_number;
}

const uint8_t* record_palette()
{
    return current_palette;
}

void record_set_observer(void (*observer)(const Image*, const uint8_t*))
{
    frame_observer = observer;
}

void display_setup(int argc, char** argv, const char* title, int width, int height)
{
    (void)argc;
    (void)argv;
    (void)title;
    (void)width;
    (void)height;
}

void display_set_palette(const uint8_t* palette)
{
    memcpy(current_palette, palette, sizeof current_palette);
}

void display_present(const Image* frame)
{
    int step = current_step;
    if (step != last_step) {
        last_step = step;
        step_index = 0;
    }
    if (frame_observer)
        frame_observer(frame, current_palette);
    bool wanted = step >= 0 && step < static_cast<int>(sizeof selected.step) && selected.step[step];
    if (wanted)
        record_video_frame(frame, current_palette);
    if (index_file && wanted) {
        char name[32];
        snprintf(name, sizeof name, "/%06ld.png", frame_number);
        if (record_write_png((out_dir + name).c_str(), frame, current_palette) != 0)
            fprintf(stderr, "quarrow-render: cannot write %s%s\n", out_dir.c_str(), name);
        fprintf(index_file, "%ld\t%d\t%s\t%ld\n", frame_number, step, current_label,
                step_index);
    }
    frame_number++;
    step_index++;
}

void display_shutdown()
{
    record_video_close();
    if (index_file) {
        fclose(index_file);
        index_file = nullptr;
    }
}
