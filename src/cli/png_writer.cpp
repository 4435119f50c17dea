// PNG encoding through libpng into a growing string. libpng reports errors by longjmp, so the
// encoding function keeps every object with a destructor outside the part that can be jumped
// over: the row buffer and the output are created before setjmp and only plain values after it.
#include "cli/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <new>
#include <vector>

namespace quorvane::cli {

namespace {

// What the libpng callbacks reach through their user pointers.
struct PngSink {
    std::string* bytes = nullptr;
    std::string error;
};

// Appends libpng's output to the sink's string; running out of memory becomes a libpng error.
void WriteToSink(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->bytes->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        png_error(png, "not enough memory");
    }
}

// Nothing is buffered beyond the string itself.
void FlushSink(png_structp /*png*/) {}

// Keeps libpng's reason and returns to the setjmp point of EncodePng.
[[noreturn]] void FailEncoding(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    try {
        sink->error = message;
    } catch (...) {
        // The reason is lost, the failure is still reported.
    }
    png_longjmp(png, 1);
}

// Warnings do not concern the caller: the image is still written correctly.
void IgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Converts one row of 0xFFRRGGBB pixels to R, G, B bytes.
void PixelsToRgb(const std::uint32_t* pixels, int count, png_byte* rgb) {
    for (int x = 0; x < count; ++x) {
        const std::uint32_t p = pixels[x];
        rgb[0] = static_cast<png_byte>((p >> 16) & 0xFFu);
        rgb[1] = static_cast<png_byte>((p >> 8) & 0xFFu);
        rgb[2] = static_cast<png_byte>(p & 0xFFu);
        rgb += 3;
    }
}

// Converts one row of 0xAARRGGBB pixels to R, G, B, A bytes.
void PixelsToRgba(const std::uint32_t* pixels, int count, png_byte* rgba) {
    for (int x = 0; x < count; ++x) {
        const std::uint32_t p = pixels[x];
        rgba[0] = static_cast<png_byte>((p >> 16) & 0xFFu);
        rgba[1] = static_cast<png_byte>((p >> 8) & 0xFFu);
        rgba[2] = static_cast<png_byte>(p & 0xFFu);
        rgba[3] = static_cast<png_byte>(p >> 24);
        rgba += 4;
    }
}

}  // namespace

bool EncodePng(const CImage& image, std::string& bytes, std::string* error, bool alpha) {
    const int size = image.Size();
    if (size <= 0) {
        if (error != nullptr) {
            *error = "the image is empty";
        }
        return false;
    }
    PngSink sink;
    std::vector<png_byte> row;
    try {
        row.resize(static_cast<std::size_t>(size) * (alpha ? 4 : 3));
        bytes.clear();
        // Rendered pictures are mostly flat areas, which compress to a small fraction.
        bytes.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) / 8 + 1024);
    } catch (const std::bad_alloc&) {
        if (error != nullptr) {
            *error = "not enough memory";
        }
        return false;
    }
    sink.bytes = &bytes;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, FailEncoding, IgnoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        if (error != nullptr) {
            *error = "not enough memory";
        }
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        if (error != nullptr) {
            *error = sink.error.empty() ? "PNG encoding failed" : sink.error;
        }
        return false;
    }
    png_set_write_fn(png, &sink, WriteToSink, FlushSink);
    // Fast settings: the "up" filter and quick deflate suit flat-shaded pictures well and keep
    // encoding a small part of a render.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y) {
        const std::uint32_t* pixels =
            image.Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(size);
        if (alpha) {
            PixelsToRgba(pixels, size, row.data());
        } else {
            PixelsToRgb(pixels, size, row.data());
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace quorvane::cli
