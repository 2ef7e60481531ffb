// JPEG pictures made with libjpeg's compressor, for the tests of what shows them and for
// the picture benchmark.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

// A width x height picture, the left half red and the right half blue, with some noise
// so that the picture data, not the headers, makes most of the file.
inline std::vector<uint8_t> MakeJpeg(int width, int height, bool progressive = false) {
    std::mt19937 rng(1);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x) {
            bool left = x < width / 2;
            int n = static_cast<int>(rng() % 24);
            row[x * 3] = static_cast<uint8_t>(left ? 255 - n : n);
            row[x * 3 + 1] = static_cast<uint8_t>(n);
            row[x * 3 + 2] = static_cast<uint8_t>(left ? n : 255 - n);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> data(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return data;
}

