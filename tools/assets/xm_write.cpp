// Extended Module encoding: header, packed patterns, then each instrument
// with its sample header and delta-coded 16-bit sample data.
#include "xm_write.h"

#include <cstdio>
#include <cstring>

namespace {

struct Out {
    std::vector<uint8_t> bytes;
    void u8(int v) { bytes.push_back(static_cast<uint8_t>(v & 0xff)); }
    void u16(int v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v)
    {
        u16(static_cast<int>(v & 0xffff));
        u16(static_cast<int>(v >> 16));
    }
    void text(const std::string& s, size_t size, char pad = ' ')
    {
        for (size_t i = 0; i < size; i++)
            u8(i < s.size() ? s[i] : pad);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

void put_pattern(Out* out, const XmPattern& pattern)
{
    Out data;
    for (const XmCell& c : pattern.cells) {
        uint8_t mask = 0x80;
        if (c.note)
            mask |= 1;
        if (c.instrument)
            mask |= 2;
        if (c.volume)
            mask |= 4;
        if (c.effect)
            mask |= 8;
        if (c.param)
            mask |= 16;
        if (mask == 0x9f) {
            data.u8(c.note);
            data.u8(c.instrument);
            data.u8(c.volume);
            data.u8(c.effect);
            data.u8(c.param);
            continue;
        }
        data.u8(mask);
        if (c.note)
            data.u8(c.note);
        if (c.instrument)
            data.u8(c.instrument);
        if (c.volume)
            data.u8(c.volume);
        if (c.effect)
            data.u8(c.effect);
        if (c.param)
            data.u8(c.param);
    }
    out->u32(9);
    out->u8(0);
    out->u16(pattern.rows);
    out->u16(static_cast<int>(data.bytes.size()));
    out->bytes.insert(out->bytes.end(), data.bytes.begin(), data.bytes.end());
}

void put_envelope(Out* out, const XmEnvelope& env)
{
    for (size_t i = 0; i < 12; i++) {
        out->u16(i < env.points.size() ? env.points[i].first : 0);
        out->u16(i < env.points.size() ? env.points[i].second : 0);
    }
}

void put_instrument(Out* out, const XmInstrument& ins)
{
    const XmSample& s = ins.sample;
    out->u32(263);  // instrument header size, as the common trackers write it
    out->text(ins.name, 22, '\0');
    out->u8(0);
    out->u16(1);
    out->u32(40);
    out->zeros(96);  // every note plays sample 0
    put_envelope(out, ins.volume);
    put_envelope(out, XmEnvelope{});
    out->u8(static_cast<int>(ins.volume.points.size()));
    out->u8(0);
    out->u8(ins.volume.sustain < 0 ? 0 : ins.volume.sustain);
    out->u8(0);
    out->u8(0);
    out->u8(0);
    out->u8(0);
    out->u8(0);
    int type = 0;
    if (!ins.volume.points.empty())
        type = 1 | (ins.volume.sustain >= 0 ? 2 : 0);
    out->u8(type);
    out->u8(0);
    out->u8(ins.vibrato_type);
    out->u8(ins.vibrato_sweep);
    out->u8(ins.vibrato_depth);
    out->u8(ins.vibrato_rate);
    out->u16(ins.fadeout);
    out->zeros(22);

    out->u32(static_cast<uint32_t>(s.data.size() * 2));
    out->u32(static_cast<uint32_t>(s.loop_start * 2));
    out->u32(static_cast<uint32_t>(s.loop_length * 2));
    out->u8(s.volume);
    out->u8(s.finetune);
    out->u8(0x10 | (s.loop_length > 0 ? 1 : 0));
    out->u8(s.panning);
    out->u8(s.relative_note);
    out->u8(0);
    out->text(ins.name, 22, '\0');
    int16_t previous = 0;
    for (int16_t v : s.data) {
        out->u16(static_cast<uint16_t>(v - previous));
        previous = v;
    }
}

}  // namespace

std::vector<uint8_t> xm_encode(const XmModule& module)
{
    Out out;
    out.text("Extended Module: ", 17);
    out.text(module.name, 20);
    out.u8(0x1a);
    out.text("quarrow-assets", 20);
    out.u16(0x0104);
    out.u32(276);
    out.u16(static_cast<int>(module.order.size()));
    out.u16(0);
    out.u16(module.channels);
    out.u16(static_cast<int>(module.patterns.size()));
    out.u16(static_cast<int>(module.instruments.size()));
    out.u16(1);  // linear frequency table
    out.u16(module.speed);
    out.u16(module.bpm);
    for (size_t i = 0; i < 256; i++)
        out.u8(i < module.order.size() ? module.order[i] : 0);
    for (const XmPattern& p : module.patterns)
        put_pattern(&out, p);
    for (const XmInstrument& ins : module.instruments)
        put_instrument(&out, ins);
    return out.bytes;
}

int xm_write(const char* path, const XmModule& module)
{
    std::vector<uint8_t> bytes = xm_encode(module);
    FILE* f = fopen(path, "wb");
    if (!f)
        return -1;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0)
        ok = false;
    return ok ? 0 : -1;
}
