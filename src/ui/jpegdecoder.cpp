#include "ui/jpegdecoder.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <memory>

namespace jiujiu {
namespace {

// Larger than any picture of the program by far; keeps a forged header from asking for
// gigabytes.
constexpr JDIMENSION MaxSide = 8192;

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// setjmp of the step that called libjpeg. Each step keeps only plain C state in scope, so the
// jump skips no destructor.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

struct DecompressDeleter
{
    void operator()(jpeg_decompress_struct *info) const
    {
        jpeg_destroy_decompress(info);
        delete info;
    }
};
using Decompressor = std::unique_ptr<jpeg_decompress_struct, DecompressDeleter>;

bool CreateDecompressor(jpeg_decompress_struct *info, ErrorManager *errors)
{
    info->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = JumpOnError;
    errors->base.output_message = IgnoreMessage;
    if (setjmp(errors->jump))
        return false;
    jpeg_create_decompress(info);
    return true;
}

bool StartDecompress(jpeg_decompress_struct *info, ErrorManager *errors, const unsigned char *data,
                     unsigned long size)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_mem_src(info, data, size);
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (info->image_width == 0 || info->image_height == 0 || info->image_width > MaxSide ||
        info->image_height > MaxSide)
        return false;
    info->out_color_space = JCS_EXT_BGRX; // the byte order of QImage::Format_RGB32 here
    if (!jpeg_start_decompress(info))
        return false;
    return info->output_components == 4;
}

bool ReadScanlines(jpeg_decompress_struct *info, ErrorManager *errors, unsigned char *bits,
                   long bytesPerLine)
{
    if (setjmp(errors->jump))
        return false;
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = bits + bytesPerLine * static_cast<long>(info->output_scanline);
        if (jpeg_read_scanlines(info, &row, 1) != 1)
            return false;
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

QImage DecodeJpeg(std::string_view bytes)
{
    if (bytes.size() < 4)
        return {};
    ErrorManager errors{};
    auto *raw = new jpeg_decompress_struct{};
    if (!CreateDecompressor(raw, &errors)) {
        delete raw;
        return {};
    }
    Decompressor info(raw);
    if (!StartDecompress(info.get(), &errors, reinterpret_cast<const unsigned char *>(bytes.data()),
                         static_cast<unsigned long>(bytes.size())))
        return {};
    QImage image(static_cast<int>(info->output_width), static_cast<int>(info->output_height),
                 QImage::Format_RGB32);
    if (image.isNull())
        return {};
    if (!ReadScanlines(info.get(), &errors, image.bits(), image.bytesPerLine()))
        return {};
    // libjpeg only warns about premature end of data and corrupt segments, filling in grey;
    // a picture with holes is no picture.
    if (errors.base.num_warnings > 0)
        return {};
    return image;
}

} // namespace jiujiu
