// The PCX reader on hand-made files: the run-length stream, the version and
// palette rules, the header report, and hostile headers, one named case per
// fault.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "image/pcx.h"
#include "support/stdout_capture.h"
#include "support/support.h"
#include "support/pcx_files.h"

namespace {

// A palette the loader must never touch on the paths under test.
struct Untouched {
    uint8_t bytes[768];
    Untouched() { memset(bytes, 0x5A, sizeof bytes); }
    bool intact() const
    {
        for (uint8_t b : bytes)
            if (b != 0x5A)
                return false;
        return true;
    }
};

std::vector<uint8_t> pixels_of(const Image* image)
{
    return std::vector<uint8_t>(image->pixels,
                                image->pixels + static_cast<size_t>(image->width) * image->height);
}

// A picture whose pixels avoid the count range, so each is a literal byte.
std::vector<uint8_t> literal_pattern(int width, int height)
{
    return test_pixels(width, height, [](int x, int y) { return (x * 3 + y * 5) % 0xC0; });
}

// Runs body in a child process that is killed after seconds, so a reader
// that blocks or runs away fails the test instead of hanging or swapping it.
// Returns what body reports ("" when all is well) or how the child ended.
std::string in_child(const std::function<std::string()>& body, unsigned seconds)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(seconds);
        std::string report = body();
        if (write(fds[1], report.data(), report.size()) < 0)
            _exit(2);
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    char buffer[256];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        return report + "child ended by signal " + std::to_string(WTERMSIG(status));
    return report;
}

// A field of /proc/self/status in KiB.
long status_kib(const char* field)
{
    std::string status = test_read_file("/proc/self/status");
    size_t at = status.find(std::string("\n") + field + ":");
    return at == std::string::npos ? -1 : atol(status.c_str() + at + strlen(field) + 2);
}

// How far resident memory rose above where it stood while load ran.
long peak_growth_kib(const std::function<void()>& load)
{
    test_write_file("/proc/self/clear_refs", "5");  // restart the peak from now
    long before = status_kib("VmRSS");
    load();
    return status_kib("VmHWM") - before;
}

}  // namespace

TEST(PcxLoad, FullPictureWithTableKeepsEveryByte)
{
    uint8_t palette[768];
    test_pcx_palette(palette);
    auto pixels = test_pixels(320, 240, [](int x, int y) { return (x / 3) ^ (y * 7); });
    std::string file = test_pcx_header(test_pcx_header_for(320, 240)) +
                       test_pcx_runs(pixels.data(), pixels.size()) + test_pcx_tail(palette);

    Image* image;
    uint8_t loaded[768] = {};
    ASSERT_EQ(test_pcx_load_bytes(file, &image, loaded), 5);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 240);
    EXPECT_EQ(pixels_of(image), pixels);
    // Components stay 8-bit: 255 is not divided down, small values are not multiplied up.
    EXPECT_EQ(0, memcmp(loaded, palette, 768));
    EXPECT_EQ(loaded[0], 255);
    image_free(&image);
}

TEST(PcxLoad, ExtraColumnsBeyondTheWidthAreCut)
{
    // 5 pixels shown in lines of 8 bytes: the 3 padding bytes of each line
    // hold a value that must not reach the image.
    const int width = 5, height = 4, bpl = 8;
    auto stored = test_pixels(bpl, height, [](int x, int y) { return x < width ? 10 * y + x : 0xB0; });
    std::string file = test_pcx_header(test_pcx_header_for(width, height, bpl)) +
                       test_pcx_runs(stored.data(), stored.size());
    Image* image;
    Untouched palette;
    ASSERT_EQ(test_pcx_load_bytes(file, &image, palette.bytes), 5);
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    EXPECT_EQ(pixels_of(image), test_pixels(width, height, [](int x, int y) { return 10 * y + x; }));
    image_free(&image);
}

TEST(PcxLoad, RunsCrossScanLinesAndReadBlocks)
{
    // 100 x 100 picture. 3967 literal pixels put the next count byte at file
    // offset 4095, the last byte of the first 4096-byte block; its value is
    // the first byte of the second block. The run of 50 covers pixels
    // 3967..4016 and so also crosses from line 39 into line 40.
    const int side = 100;
    std::vector<uint8_t> expected(side * side);
    std::string stream;
    for (int i = 0; i < 3967; i++) {
        expected[i] = static_cast<uint8_t>(i % 0xC0);
        stream += static_cast<char>(expected[i]);
    }
    stream += static_cast<char>(0xC0 | 50);
    stream += static_cast<char>(0xE7);
    for (int i = 3967; i < 4017; i++)
        expected[i] = 0xE7;
    // The rest in runs of 63, each crossing lines; the last is cut at the
    // image end, and what follows it is never decoded.
    for (int i = 4017; i < side * side; i += 63) {
        stream += static_cast<char>(0xFF);
        stream += static_cast<char>(0x21);
        for (int j = i; j < i + 63 && j < side * side; j++)
            expected[j] = 0x21;
    }
    stream += std::string(5, '\x07');
    uint8_t palette[768];
    test_pcx_palette(palette);
    std::string file = test_pcx_header(test_pcx_header_for(side, side)) + stream + test_pcx_tail(palette);
    ASSERT_EQ(file[4095], static_cast<char>(0xC0 | 50));

    Image* image;
    uint8_t loaded[768] = {};
    ASSERT_EQ(test_pcx_load_bytes(file, &image, loaded), 5);
    EXPECT_EQ(pixels_of(image), expected);
    EXPECT_EQ(0, memcmp(loaded, palette, 768));
    image_free(&image);
}

TEST(PcxLoad, CountByteC0WritesNothing)
{
    // 0xC0 sets a count of zero: the byte after it is a new code, not a value.
    const uint8_t stream[] = {0xC0, 0x05, 0x07, 0xC0, 0xC2, 0x09, 0xC0, 0xC0, 0x0B};
    std::string file = test_pcx_header(test_pcx_header_for(3, 2)) +
                       std::string(reinterpret_cast<const char*>(stream), sizeof stream);
    Image* image;
    Untouched palette;
    ASSERT_EQ(test_pcx_load_bytes(file, &image, palette.bytes), 5);
    EXPECT_EQ(pixels_of(image), (std::vector<uint8_t>{5, 7, 9, 9, 0x0B, 0}));
    image_free(&image);
}

TEST(PcxLoad, TruncatedFileLeavesTheRestBlack)
{
    auto pixels = literal_pattern(64, 40);
    std::string full = test_pcx_runs(pixels.data(), pixels.size());
    struct Case {
        const char* name;
        std::string stream;
        size_t written;
    } cases[] = {
        {"header_only", "", 0},
        {"half_the_pixels", full.substr(0, 1280), 1280},
        // The file ends on a count byte whose value never comes.
        {"ends_on_a_count", full.substr(0, 1000) + "\xC5", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image* image;
        Untouched palette;
        // Long enough for the tail seek to succeed, but without a marker of 12.
        ASSERT_EQ(test_pcx_load_bytes(test_pcx_header(test_pcx_header_for(64, 40)) + c.stream, &image,
                                      palette.bytes),
                  5);
        std::vector<uint8_t> expected(pixels.size(), 0);
        std::copy(pixels.begin(), pixels.begin() + c.written, expected.begin());
        EXPECT_EQ(pixels_of(image), expected);
        EXPECT_TRUE(palette.intact());
        image_free(&image);
    }
}

TEST(PcxLoad, VersionsAndTheColourTable)
{
    uint8_t table[768];
    test_pcx_palette(table);
    auto pixels = literal_pattern(16, 16);
    // Only version 5 reads the table; versions up to 5 load, higher ones fail.
    for (int version : {0, 1, 2, 3, 4, 5, 6, 255}) {
        SCOPED_TRACE(version);
        PcxTestHeader header = test_pcx_header_for(16, 16);
        header.version = static_cast<uint8_t>(version);
        Image* image;
        Untouched palette;
        int result = test_pcx_load_bytes(
            test_pcx_header(header) + test_pcx_runs(pixels.data(), pixels.size()) + test_pcx_tail(table),
            &image, palette.bytes);
        if (version > 5) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(image, nullptr);
            EXPECT_TRUE(palette.intact());
            continue;
        }
        EXPECT_EQ(result, version);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(pixels_of(image), pixels);
        if (version == 5)
            EXPECT_EQ(0, memcmp(palette.bytes, table, 768));
        else
            EXPECT_TRUE(palette.intact());
        image_free(&image);
    }
}

TEST(PcxLoad, Version5WithoutAValidTableKeepsThePalette)
{
    uint8_t table[768];
    test_pcx_palette(table);
    auto pixels = literal_pattern(4, 2);
    std::string body = test_pcx_header(test_pcx_header_for(4, 2)) + test_pcx_runs(pixels.data(), pixels.size());
    struct Case {
        const char* name;
        std::string file;
    } cases[] = {
        {"marker_11", body + test_pcx_tail(table, 11)},
        {"no_table", body},
        // Shorter than 769 bytes in all: the seek before the table fails.
        {"file_shorter_than_a_table", body + std::string(100, '\x0C')},
        {"table_one_byte_short", body.substr(0, 128) + test_pcx_tail(table).substr(0, 768)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image* image;
        Untouched palette;
        EXPECT_EQ(test_pcx_load_bytes(c.file, &image, palette.bytes), 5);
        EXPECT_TRUE(palette.intact());
        image_free(&image);
    }
}

TEST(PcxLoad, FailuresLeaveNoImageNoPaletteAndOneMessageOnly)
{
    uint8_t table[768];
    test_pcx_palette(table);
    std::string pixels(64, '\x01');
    auto file_with = [&](PcxTestHeader header) {
        return test_pcx_header(header) + pixels + test_pcx_tail(table);
    };
    PcxTestHeader three_planes = test_pcx_header_for(8, 8);
    three_planes.planes = 3;
    PcxTestHeader two_planes = test_pcx_header_for(8, 8);
    two_planes.planes = 2;
    PcxTestHeader wrong_maker = test_pcx_header_for(8, 8);
    wrong_maker.manufacturer = 11;
    // A colour picture is refused with its message even when its sizes are bad too.
    PcxTestHeader three_planes_bad_size = three_planes;
    three_planes_bad_size.bytes_per_line = 0;
    struct Case {
        const char* name;
        std::string file;
        const char* message;
    } cases[] = {
        {"three_planes", file_with(three_planes), "Unable to handle Color PCX image\n"},
        {"two_planes", file_with(two_planes), "Unable to handle Color PCX image\n"},
        {"three_planes_bad_size", file_with(three_planes_bad_size), "Unable to handle Color PCX image\n"},
        {"empty_file", "", ""},
        {"header_127_bytes", test_pcx_header(test_pcx_header_for(8, 8)).substr(0, 127), ""},
        {"manufacturer_11", file_with(wrong_maker), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image* image;
        Untouched palette;
        test_stdout_capture_begin();
        int result = test_pcx_load_bytes(c.file, &image, palette.bytes);
        EXPECT_EQ(test_stdout_capture_end(), c.message);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(image, nullptr);
        EXPECT_TRUE(palette.intact());
    }

    static Image marker;
    Image* image = &marker;
    Untouched palette;
    EXPECT_EQ(pcx_load("/nonexistent/quarrow.pcx", &image, palette.bytes), -1);
    EXPECT_EQ(image, nullptr);
    EXPECT_TRUE(palette.intact());
}

// Headers that would make a careless reader allocate without bound, write
// past an image, cut columns that were never decoded or decode packed pixels
// as indices. Each is refused silently; the palette and the image output
// behave as for any failure.
TEST(PcxHostile, HeadersRefusedBeforeAllocation)
{
    auto sized = [](uint16_t x_min, uint16_t x_max, uint16_t y_min, uint16_t y_max, uint16_t bpl) {
        PcxTestHeader header;
        header.x_min = x_min;
        header.x_max = x_max;
        header.y_min = y_min;
        header.y_max = y_max;
        header.bytes_per_line = bpl;
        return header;
    };
    auto packed = [](uint8_t bits) {
        PcxTestHeader header = test_pcx_header_for(8, 8);
        header.bits_per_pixel = bits;
        return header;
    };
    struct Case {
        const char* name;
        PcxTestHeader header;
    } cases[] = {
        {"one_bit_per_pixel", packed(1)},
        {"four_bits_per_pixel", packed(4)},
        {"sixteen_mebipixels", sized(0, 4095, 0, 4095, 4096)},
        {"sixteen_mebipixels_in_one_line", sized(0, 16383, 0, 1023, 16384)},
        {"zero_width", sized(10, 9, 0, 9, 8)},
        {"zero_height", sized(0, 7, 5, 4, 8)},
        {"negative_width", sized(100, 0, 0, 9, 8)},
        {"negative_height", sized(0, 7, 65535, 0, 8)},
        {"most_negative_width", sized(65535, 0, 0, 9, 65535)},
        {"zero_bytes_per_line", sized(0, 7, 0, 7, 0)},
        {"width_beyond_bytes_per_line", sized(0, 8, 0, 7, 8)},
        {"bytes_per_line_above_cap", sized(0, 16384, 0, 0, 16385)},
        {"height_above_cap", sized(0, 0, 0, 16384, 1)},
        {"largest_fields", sized(0, 65535, 0, 65535, 65535)},
        // 65535 x 65536: the pixel count overflows 32 bits.
        {"product_overflows_32_bits", sized(0, 65534, 0, 65535, 65535)},
        {"both_sides_above_cap", sized(0, 32767, 0, 32767, 32768)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image* image;
        Untouched palette;
        test_stdout_capture_begin();
        EXPECT_EQ(test_pcx_load_bytes(test_pcx_header(c.header) + std::string(2000, '\xFF'), &image,
                                      palette.bytes),
                  -1);
        EXPECT_EQ(test_stdout_capture_end(), "");
        EXPECT_EQ(image, nullptr);
        EXPECT_TRUE(palette.intact());
    }
}

TEST(PcxHostile, LargestAcceptedSidesLoadFromTinyFiles)
{
    // The caps are inclusive; a tiny file still fills the image with its
    // runs, then leaves the rest black.
    struct Case {
        int width, height;
    } cases[] = {{PCX_MAX_SIDE, 1}, {1, PCX_MAX_SIDE}, {PCX_MAX_SIDE - 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Image* image;
        Untouched palette;
        std::string runs(100, '\xFF');
        for (size_t i = 1; i < runs.size(); i += 2)
            runs[i] = 3;
        ASSERT_EQ(test_pcx_load_bytes(test_pcx_header(test_pcx_header_for(c.width, c.height)) + runs, &image,
                                      palette.bytes),
                  5);
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        auto pixels = pixels_of(image);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 3), std::min<long>(50 * 63, pixels.size()));
        image_free(&image);
    }
}

// Tiny files whose headers claim huge pictures, loaded with resident memory
// measured: no load may hold more than the one image it returns (padding is
// dropped while decoding, not copied out of a second buffer), and none more
// than 40 MiB.
TEST(PcxHostile, TinyFilesClaimingHugePicturesCostOneImageAtMost)
{
    struct Case {
        const char* name;
        int width, height, bytes_per_line;
        bool loads;
    } cases[] = {
        {"far_above_the_pixel_cap", PCX_MAX_SIDE - 1, PCX_MAX_SIDE, PCX_MAX_SIDE, false},
        {"just_below_the_pixel_cap", 4094, 4095, 4096, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = test_pcx_header(test_pcx_header_for(c.width, c.height, c.bytes_per_line));
        ASSERT_EQ(file.size(), 128u);
        long image_kib = c.loads ? static_cast<long>(c.width) * c.height / 1024 : 0;
        std::string report = in_child([&] {
            int result = 0;
            long growth = peak_growth_kib([&] {
                Image* image;
                uint8_t palette[768];
                result = test_pcx_load_bytes(file, &image, palette);
                image_free(&image);
            });
            std::string out;
            if (result != (c.loads ? 5 : -1))
                out += "result " + std::to_string(result) + "; ";
            if (growth > image_kib + 4096 || growth > 40 * 1024)
                out += "resident memory rose by " + std::to_string(growth) + " KiB";
            return out;
        }, 20);
        EXPECT_EQ(report, "");
    }
}

// A FIFO would block the open until some writer came, and a read from a
// device may never end: anything but a regular file is refused at once.
TEST(PcxHostile, NonRegularFilesAreRefusedAtOnce)
{
    TempDir temp;
    const std::string& dir = temp.path;
    std::string fifo = dir + "/fifo.pcx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    for (std::string path : {fifo, dir, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        std::string report = in_child([&] {
            Image* image;
            Untouched palette;
            int width, height;
            if (pcx_load(path.c_str(), &image, palette.bytes) != -1 || image || !palette.intact())
                return "loaded";
            if (pcx_load_problem()[0] == '\0')
                return "no reason given";
            if (pcx_info(path.c_str(), &width, &height) != -1)
                return "reported";
            return "";
        }, 5);
        EXPECT_EQ(report, "");
    }
}

TEST(PcxStages, DecodeAndTableOnOpenFiles)
{
    char path[] = "/tmp/quarrow-pcx-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    uint8_t table[768];
    test_pcx_palette(table);
    std::string tail = test_pcx_tail(table);
    // Starts at the current position, which need not be 128.
    std::string bytes = std::string("\x01\x02\xC3\x04", 4) + tail;
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));

    // Decoding runs on into the table bytes: the marker 12 is a pixel, and
    // the first entry's 255 starts a run of 63 zeros that is cut at the end,
    // so the bytes just past the image keep their value.
    uint8_t cells[8 + 64];
    memset(cells, 0xEE, sizeof cells);
    Image image{4, 2, cells};
    lseek(fd, 1, SEEK_SET);
    pcx_decode(fd, &image);
    const uint8_t decoded[8] = {2, 4, 4, 4, 12, 0, 0, 0};
    EXPECT_EQ(0, memcmp(cells, decoded, 8));
    EXPECT_EQ(std::vector<uint8_t>(cells + 8, cells + sizeof cells),
              std::vector<uint8_t>(64, 0xEE));


    // A record without pixels is left alone and nothing is read.
    for (Image empty : {Image{-1, 5, cells}, Image{5, -1, cells}, Image{0, 0, cells}, Image{4, 4, nullptr}}) {
        lseek(fd, 0, SEEK_SET);
        memset(cells, 0xEE, sizeof cells);
        pcx_decode(fd, &empty);
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
        EXPECT_EQ(cells[0], 0xEE);
    }

    // The table is read from the end whatever the version or the position.
    uint8_t palette[768] = {};
    lseek(fd, 0, SEEK_SET);
    EXPECT_EQ(pcx_read_palette(fd, palette), 0);
    EXPECT_EQ(0, memcmp(palette, table, 768));
    ASSERT_EQ(ftruncate(fd, 768), 0);
    Untouched kept;
    EXPECT_EQ(pcx_read_palette(fd, kept.bytes), -1);
    EXPECT_TRUE(kept.intact());

    // Pixels the stream does not reach keep what the image held.
    ASSERT_EQ(ftruncate(fd, 4), 0);
    uint8_t big[8];
    memset(big, 0xEE, sizeof big);
    Image wide{8, 1, big};
    lseek(fd, 0, SEEK_SET);
    pcx_decode(fd, &wide);
    const uint8_t partly[8] = {1, 2, 4, 4, 4, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(0, memcmp(big, partly, 8));
    close(fd);
    unlink(path);
}

TEST(PcxInfo, OneLinePerVersion)
{
    TempDir temp;
    const std::string& dir = temp.path;
    std::string path = dir + "/p.pcx";
    struct Case {
        int version;
        const char* text;
        int result;
    } cases[] = {
        {0, " - Version 2.5", 0},
        {1, " - Version ERROR", -1},
        {2, " - Version 2.8 w/palette information", 2},
        {3, " - Version 2.8 w/o palette information", 3},
        {4, " - Version ERROR", -1},
        {5, " - Version 3.0 / 256 colors palette", 5},
        {6, " - Version ERROR", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        PcxTestHeader header = test_pcx_header_for(37, 12);
        header.x_min = 3;
        header.x_max = 39;
        header.version = static_cast<uint8_t>(c.version);
        // Sizes and planes the loader would refuse are reported all the same.
        header.planes = 3;
        header.bytes_per_line = 0;
        test_write_file(path, test_pcx_header(header));
        int width = -7, height = -7;
        test_stdout_capture_begin();
        EXPECT_EQ(pcx_info(path.c_str(), &width, &height), c.result);
        EXPECT_EQ(test_stdout_capture_end(),
                  path + " is a 37x12 PC Paintbrush image" + c.text + "\n");
        EXPECT_EQ(width, 37);
        EXPECT_EQ(height, 12);
    }

    // Width and height in signed arithmetic.
    PcxTestHeader backwards = test_pcx_header_for(1, 1);
    backwards.x_min = 10;
    backwards.y_min = 65535;
    test_write_file(path, test_pcx_header(backwards));
    int width, height;
    test_stdout_capture_begin();
    EXPECT_EQ(pcx_info(path.c_str(), &width, &height), 5);
    EXPECT_EQ(test_stdout_capture_end(),
              path + " is a -9x-65534 PC Paintbrush image - Version 3.0 / 256 colors palette\n");
    EXPECT_EQ(width, -9);
    EXPECT_EQ(height, -65534);

    // An unrecognised header prints nothing and reports a size of 0 x 0.
    PcxTestHeader wrong_maker = test_pcx_header_for(8, 8);
    wrong_maker.manufacturer = 0;
    for (std::string bytes : {test_pcx_header(wrong_maker), test_pcx_header(test_pcx_header_for(8, 8)).substr(0, 127)}) {
        test_write_file(path, bytes);
        width = height = 9;
        test_stdout_capture_begin();
        EXPECT_EQ(pcx_info(path.c_str(), &width, &height), -1);
        EXPECT_EQ(test_stdout_capture_end(), "");
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    }
    width = height = 9;
    EXPECT_EQ(pcx_info((dir + "/missing.pcx").c_str(), &width, &height), -1);
    EXPECT_EQ(width + height, 0);
}

TEST(PcxWrite, RoundTripsThroughTheReader)
{
    uint8_t table[768];
    test_pcx_palette(table);
    TempDir temp;
    const std::string& dir = temp.path;
    std::string path = dir + "/w.pcx";
    // Odd widths get a padded line; values of 0xC0 and above need a count;
    // long equal stretches need several runs.
    struct Case {
        int width, height;
    } cases[] = {{1, 1}, {3, 5}, {64, 3}, {319, 17}, {320, 240}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        auto pixels = test_pixels(c.width, c.height, [](int x, int y) { return x < 70 ? 0xC7 : (x / 9 + y) * 13; });
        Image source{c.width, c.height, pixels.data()};
        ASSERT_EQ(pcx_write(path.c_str(), &source, table), 0);
        std::string file = test_read_file(path);
        ASSERT_GE(file.size(), 128u + 769u);
        EXPECT_EQ(static_cast<uint8_t>(file[66]) | static_cast<uint8_t>(file[67]) << 8, (c.width + 1) & ~1);
        Image* image;
        uint8_t palette[768] = {};
        ASSERT_EQ(pcx_load(path.c_str(), &image, palette), 5);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(pixels_of(image), pixels);
        EXPECT_EQ(0, memcmp(palette, table, 768));
        image_free(&image);
    }

    uint8_t one = 0;
    for (Image refused : {Image{0, 1, &one}, Image{1, -1, &one}, Image{PCX_MAX_SIDE + 1, 1, &one}}) {
        EXPECT_EQ(pcx_write(path.c_str(), &refused, table), -1);
    }
    Image small{1, 1, &one};
    EXPECT_EQ(pcx_write((dir + "/no/such/dir.pcx").c_str(), &small, table), -1);
}
