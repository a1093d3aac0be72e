// Extended Module writer for tests (see xm_writer.h). Only the header
// fields the loaders check are filled in; the instrument has no envelopes.
#include "xm_writer.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>

#include "support.h"

static void put16(std::string* out, unsigned value)
{
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

static void put32(std::string* out, unsigned value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// text padded with zero bytes to exactly size bytes
static void put_text(std::string* out, const char* text, size_t size)
{
    std::string field(text);
    field.resize(size, '\0');
    out->append(field);
}

static constexpr int SAMPLE_LENGTH = 2048;  // one looped stretch of a sine wave
static constexpr int SAMPLE_PERIOD = 64;

static std::string pattern_data(const XmLayout& layout)
{
    std::string data;
    for (int row = 0; row < layout.rows; row++) {
        for (int channel = 0; channel < layout.channels; channel++) {
            if (channel == 0 && row % layout.note_every == 0) {
                // packed: note and instrument follow
                data.push_back(static_cast<char>(0x80 | 0x01 | 0x02));
                data.push_back(static_cast<char>(49 + (row / layout.note_every) % 12));  // from C-4
                data.push_back(1);
            } else if (channel == 1 && row == 0 && layout.set_bpm) {
                // packed: effect F (speed or tempo) and its parameter follow
                data.push_back(static_cast<char>(0x80 | 0x08 | 0x10));
                data.push_back(0x0F);
                data.push_back(static_cast<char>(layout.set_bpm));
            } else if (channel == 1 && row == layout.rows - 1 && layout.loops) {
                // packed: effect B (position jump) to order 0
                data.push_back(static_cast<char>(0x80 | 0x08 | 0x10));
                data.push_back(0x0B);
                data.push_back(0);
            } else {
                data.push_back(static_cast<char>(0x80));  // empty cell
            }
        }
    }
    return data;
}

std::string test_xm_module(const XmLayout& layout)
{
    std::string out;
    put_text(&out, "Extended Module: ", 17);
    put_text(&out, "test module", 20);
    out.push_back(0x1A);
    put_text(&out, "quarrow tests", 20);
    put16(&out, 0x0104);
    put32(&out, 276);  // header size from this field on
    put16(&out, layout.orders);
    put16(&out, 0);    // restart position
    put16(&out, layout.channels);
    put16(&out, 1);    // patterns
    put16(&out, 1);    // instruments
    put16(&out, 1);    // linear frequency table
    put16(&out, layout.speed);
    put16(&out, layout.bpm);
    out.append(256, '\0');  // order table: pattern 0 throughout

    std::string data = pattern_data(layout);
    put32(&out, 9);
    out.push_back(0);  // packing type
    put16(&out, layout.rows);
    put16(&out, static_cast<unsigned>(data.size()));
    out.append(data);

    // instrument header, 263 bytes in all as trackers write it
    size_t start = out.size();
    put32(&out, 263);
    put_text(&out, "sine", 22);
    out.push_back(0);  // type
    put16(&out, 1);    // samples
    put32(&out, 40);   // sample header size
    out.append(96, '\0');        // every note plays sample 0
    out.append(48 + 48, '\0');   // envelope points
    out.append(2 + 6 + 2, '\0');  // point counts, sustain/loop points, envelope types
    out.append(4, '\0');          // vibrato
    put16(&out, 0);               // fadeout
    out.resize(start + 263, '\0');

    put32(&out, SAMPLE_LENGTH);
    put32(&out, 0);              // loop start
    put32(&out, SAMPLE_LENGTH);  // loop length
    out.push_back(48);           // volume
    out.push_back(0);            // finetune
    out.push_back(1);            // forward loop, 8-bit
    out.push_back(static_cast<char>(128));  // panning
    out.push_back(0);            // relative note
    out.push_back(0);
    put_text(&out, "sine", 22);

    // 8-bit sample data, stored as deltas
    int8_t previous = 0;
    for (int i = 0; i < SAMPLE_LENGTH; i++) {
        double phase = 2.0 * M_PI * (i % SAMPLE_PERIOD) / SAMPLE_PERIOD;
        auto value = static_cast<int8_t>(std::lround(100.0 * std::sin(phase)));
        out.push_back(static_cast<char>(static_cast<int8_t>(value - previous)));
        previous = value;
    }
    return out;
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
