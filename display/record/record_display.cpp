// The display operations of quarrow-render (see record.h). Set-up asks
// nothing; every present is numbered and, for the selected steps, written.
// The index is written as frames.tsv.part and renamed when the run ends
// well; the first frame that cannot be written ends the run.
#include <errno.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "display/display.h"
#include "display/record/record.h"
#include "display/record/record_leftovers.h"
#include "display/record/record_video.h"
#include "image/png_write.h"

static uint8_t current_palette[768];
static std::string out_dir;
static std::string index_path;  // the final name; the file is index_path + ".part"
static FILE* index_file;
static bool index_failed;
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
    index_path = out_dir + "/frames.tsv";
    std::string partial = index_path + ".part";
    index_file = fopen(partial.c_str(), "w");
    if (!index_file) {
        fprintf(stderr, "quarrow-render: cannot write %s: %s\n", partial.c_str(), strerror(errno));
        return -1;
    }
    record_pending_file(RECORD_INDEX, partial.c_str());
    fputs("frame\tstep\tlabel\tindex\n", index_file);
    selected = *selection;
    return 0;
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
        std::string path = out_dir + name;
        record_pending_file(RECORD_FRAME, path.c_str());
        errno = 0;
        if (image_write_png(path.c_str(), frame, current_palette) != 0) {
            std::string message = "quarrow-render: cannot write " + path + ": " +
                                  (errno ? strerror(errno) : "PNG encoder failed");
            record_fail(message.c_str());
        }
        record_pending_file(RECORD_FRAME, nullptr);
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
        if (ferror(index_file) | fclose(index_file))
            index_failed = true;
        index_file = nullptr;
    }
}

int record_finish()
{
    // The statistics lines are part of the result too.
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "quarrow-render: cannot write standard output: %s\n", strerror(errno));
        return -1;
    }
    if (index_failed) {
        fprintf(stderr, "quarrow-render: cannot write %s.part\n", index_path.c_str());
        return -1;
    }
    if (record_video_commit() != 0)
        return -1;
    if (!index_path.empty()) {
        std::string partial = index_path + ".part";
        if (rename(partial.c_str(), index_path.c_str()) != 0) {
            fprintf(stderr, "quarrow-render: cannot write %s: %s\n", index_path.c_str(), strerror(errno));
            return -1;
        }
        record_pending_file(RECORD_INDEX, nullptr);
    }
    return 0;
}
