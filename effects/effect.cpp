// The effects' common skeleton (see effect.h). The order inside a frame is
// the one every effect has always had: wait, draw, palette, present, count.
#include "effects/effect.h"

#include <string>

#include "core/clock.h"
#include "core/data.h"
#include "core/fatal.h"
#include "display/display.h"
#include "image/pcx.h"

Image* effect_picture(const char* path)
{
    std::string file = data_path(path);
    Image* picture = nullptr;
    if (pcx_load(file.c_str(), &picture, shared_palette) != 5) {
        // The message names the picture as the script does; the reason says
        // which file that was when it is not the working folder's.
        const char* problem = pcx_load_problem();
        std::string reason = std::string(problem[0] ? problem : "not a 256-colour picture") +
                             data_origin(file, path);
        demo_fatal_load(path, reason.c_str());
    }
    return picture;
}

Image* effect_picture_frame_sized(const char* path, const Image* frame)
{
    Image* picture = effect_picture(path);
    if (picture->width != frame->width || picture->height != frame->height) {
        image_free(&picture);
        demo_fatal(MSG_WRONG_SIZE);
    }
    return picture;
}

Image* effect_image(int32_t width, int32_t height)
{
    Image* image = nullptr;
    if (image_create(&image, width, height) != 0)
        demo_fatal(MSG_CANNOT_ALLOCATE);
    return image;
}

void effect_play(const EffectPlan* plan, void* scene, Image* frame)
{
    FrameLoop loop;
    frame_loop_begin(&loop);
    while (plan->more ? plan->more(scene) : frame_loop_running(&loop, plan->duration)) {
        frame_loop_next(&loop);
        const uint8_t* palette = plan->draw(scene, frame, &loop);
        if (palette)
            display_set_palette(palette);
        display_present(frame);
        loop.frames++;
        if (plan->after)
            plan->after(scene, &loop);
    }
    if (plan->release)
        plan->release(scene);
    stats_print(plan->label, loop.frames,
                plan->measured_rate ? frame_loop_measured_rate(&loop)
                                    : frame_loop_nominal_rate(&loop, plan->duration));
}
