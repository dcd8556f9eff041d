// SPDX-License-Identifier: GPL-3.0-or-later
// The codec floor: what any program that decodes JPEGs and encodes them again with
// libjpeg-turbo must spend. The files are read into memory first; then all are decoded
// (djpeg's defaults: integer IDCT, smooth upsampling, RGB out), then all decoded pictures are
// encoded (cjpeg -quality Q: 4:2:0, baseline, standard tables), each phase on N threads.
//
//   codec_floor --jobs N [--quality Q] FILE... [--encode-like OUTPUT...]
//                                   prints "decode E encode E total E" in seconds
//
// With --encode-like, the encoding phase encodes the pictures of OUTPUT... (decoded before the
// clock starts) instead of the decoded FILEs: the floor for results whose content costs the
// encoder more or less than the sources' (a sharpened picture holds more detail to code).

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <jpeglib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Picture {
    std::vector<unsigned char> file, pixels, encoded;
    unsigned width = 0, height = 0;
};

// Memory is taken and touched before the clock starts: the floor is the codec's own work, not
// the page faults of fresh buffers (which cost more than decoding on virtual machines).
void prepare(Picture &p)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, p.file.data(), p.file.size());
    jpeg_read_header(&cinfo, TRUE);
    p.pixels.assign(std::size_t(cinfo.image_width) * cinfo.image_height * 3, 1);
    p.encoded.assign(p.file.size() * 4 + 65536, 1);
    jpeg_destroy_decompress(&cinfo);
}

void decode(Picture &p)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, p.file.data(), p.file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    p.width = cinfo.output_width;
    p.height = cinfo.output_height;
    if (p.pixels.size() < std::size_t(p.width) * p.height * 3)
        p.pixels.resize(std::size_t(p.width) * p.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = p.pixels.data() + std::size_t(cinfo.output_scanline) * p.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void encode(Picture &p, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *out = p.encoded.data();
    unsigned long size = static_cast<unsigned long>(p.encoded.size());
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = p.width;
    cinfo.image_height = p.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = p.pixels.data() + std::size_t(cinfo.next_scanline) * p.width * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (out != p.encoded.data()) { // outgrew the buffer: libjpeg took a larger one
        p.encoded.assign(out, out + size);
        std::free(out);
    } else {
        p.encoded.resize(size);
    }
}

template <typename Work>
double onThreads(int jobs, std::size_t count, Work work)
{
    const auto start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs; ++t)
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < count; i = next++)
                work(i);
        });
    for (std::thread &t : threads)
        t.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    int jobs = 1, quality = 85;
    std::vector<Picture> pictures, likes;
    bool like = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--encode-like")) {
            like = true;
        } else if (!std::strcmp(argv[i], "--jobs") && i + 1 < argc) {
            jobs = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--quality") && i + 1 < argc) {
            quality = std::atoi(argv[++i]);
        } else {
            std::ifstream in(argv[i], std::ios::binary);
            Picture p;
            p.file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            (like ? likes : pictures).push_back(std::move(p));
        }
    }
    if (pictures.empty()) {
        std::fprintf(stderr, "usage: codec_floor --jobs N [--quality Q] FILE...\n");
        return 2;
    }
    for (Picture &p : pictures)
        prepare(p);
    for (Picture &p : likes) {
        prepare(p);
        decode(p);
    }
    std::vector<Picture> &encoded = likes.empty() ? pictures : likes;
    const double d = onThreads(jobs, pictures.size(), [&](std::size_t i) { decode(pictures[i]); });
    const double e = onThreads(jobs, encoded.size(), [&](std::size_t i) { encode(encoded[i], quality); });
    std::printf("decode %.3f encode %.3f total %.3f\n", d, e, d + e);
    return 0;
}
