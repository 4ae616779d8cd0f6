#include "jpeg_logo.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace dalvex {

namespace {

// libjpeg's default error handler calls exit(); this one jumps back to the decoder instead.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void silentMessage(j_common_ptr) {}

// Kept free of C++ objects with destructors between setjmp and longjmp: the output buffer is
// passed in and only resized before decoding starts.
bool decode(const std::vector<std::uint8_t>& data, RgbImage& out) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silentMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxLogoSide ||
        cinfo.image_height > kMaxLogoSide) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    const std::size_t stride = static_cast<std::size_t>(out.width) * 3;
    out.rgb.resize(stride * static_cast<std::size_t>(out.height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgb.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

std::optional<RgbImage> DecodeJpeg(const std::vector<std::uint8_t>& data) {
    if (data.size() < 4) return std::nullopt;
    RgbImage img;
    if (!decode(data, img)) return std::nullopt;
    return img;
}

std::optional<RgbImage> LoadJpegFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size <= 0 || size > 64 * 1024 * 1024) return std::nullopt;
    in.seekg(0);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(data.data()), size)) return std::nullopt;
    return DecodeJpeg(data);
}

}  // namespace dalvex
