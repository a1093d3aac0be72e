// quarrow-x11-frame: the X back end alone, for tests that look at its window
// from outside. It shows the known frame, then follows commands on standard
// input, one per line, until "quit" or the end of input:
//   present       shows the frame again, then says "shown"
//   music FILE    stands in a music process that writes FILE on SIGTERM
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/image.h"
#include "demo/demo.h"
#include "demo/script.h"
#include "display/display.h"
#include "support/known_frame.h"

static const char* terminated_path;

static void on_terminate(int)
{
    int fd = open(terminated_path, O_WRONLY | O_CREAT, 0600);
    if (fd >= 0)
        close(fd);
    _exit(0);
}

static void music_stand_in(const char* path)
{
    terminated_path = strdup(path);
    // The handler is in place before the fork, so no SIGTERM can find the
    // stand-in without it.
    signal(SIGTERM, on_terminate);
    pid_t pid = fork();
    if (pid == 0) {
        // Off the test's pipes, so they close when the helper ends.
        int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        for (;;)
            pause();
    }
    signal(SIGTERM, SIG_DFL);
    music_enabled = 1;
    music_pid = pid;
    music_playing = 1;
    printf("music %d\n", static_cast<int>(pid));
}

int main(int argc, char** argv)
{
    demo_hooks_install();
    display_setup(argc, argv, DEMO_TITLE, 320, 240);
    Image* frame = nullptr;
    if (image_create(&frame, 320, 240) != 0)
        return 1;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            frame->pixels[y * 320 + x] = known_frame_pixel(x, y);
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = known_palette_component(i / 3, i % 3);
    display_set_palette(palette);
    display_present(frame);
    puts("shown");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin) && strcmp(line, "quit\n") != 0) {
        if (strcmp(line, "present\n") == 0) {
            display_present(frame);
            puts("shown");
        } else if (strncmp(line, "music ", 6) == 0) {
            line[strcspn(line, "\n")] = 0;
            music_stand_in(line + 6);
        }
        fflush(stdout);
    }
    image_free(&frame);
    display_shutdown();
    puts("done");
    return 0;
}
