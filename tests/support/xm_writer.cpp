// Extended Module writer for tests (see xm_writer.h), on the demo's own XM
// writer: one looped sine instrument and a plain run of notes.
#include "support/xm_writer.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>

#include "support/support.h"
#include "tools/assets/xm_write.h"

static constexpr int SAMPLE_LENGTH = 2048;  // one looped stretch of a sine wave
static constexpr int SAMPLE_PERIOD = 64;

static XmPattern pattern_for(const XmLayout& layout)
{
    XmPattern pattern{layout.rows, std::vector<XmCell>(static_cast<size_t>(layout.rows) * layout.channels)};
    for (int row = 0; row < layout.rows; row++) {
        XmCell* cells = &pattern.cells[static_cast<size_t>(row) * layout.channels];
        if (row % layout.note_every == 0) {
            cells[0].note = static_cast<uint8_t>(49 + (row / layout.note_every) % 12);  // from C-4
            cells[0].instrument = 1;
        }
        if (row == 0 && layout.set_bpm) {
            cells[1].effect = 0x0F;  // speed or tempo
            cells[1].param = static_cast<uint8_t>(layout.set_bpm);
        } else if (row == layout.rows - 1 && layout.loops) {
            cells[1].effect = 0x0B;  // position jump to order 0
            cells[1].param = 0;
        }
    }
    return pattern;
}

std::string test_xm_module(const XmLayout& layout)
{
    XmModule module;
    module.name = "test module";
    module.channels = layout.channels;
    module.speed = layout.speed;
    module.bpm = layout.bpm;
    module.order.assign(layout.orders, 0);
    module.patterns.push_back(pattern_for(layout));

    XmInstrument sine;
    sine.name = "sine";
    sine.sample.volume = 48;
    sine.sample.loop_length = SAMPLE_LENGTH;
    for (int i = 0; i < SAMPLE_LENGTH; i++) {
        double phase = 2.0 * M_PI * (i % SAMPLE_PERIOD) / SAMPLE_PERIOD;
        sine.sample.data.push_back(static_cast<int16_t>(std::lround(25600.0 * std::sin(phase))));
    }
    module.instruments.push_back(sine);

    std::vector<uint8_t> bytes = xm_encode(module);
    return std::string(bytes.begin(), bytes.end());
}

double test_xm_seconds(const XmLayout& layout)
{
    return layout.orders * layout.rows * layout.speed * 2.5 / (layout.set_bpm ? layout.set_bpm : layout.bpm);
}

std::string test_write_module(const std::string& dir, const XmLayout& layout)
{
    mkdir((dir + "/music").c_str(), 0777);
    std::string path = dir + "/music/quarrow.xm";
    test_write_file(path, test_xm_module(layout));
    return path;
}
