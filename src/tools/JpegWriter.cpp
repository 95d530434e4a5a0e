#include "tools/JpegWriter.h"

#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

// libjpeg's own handler ends the process; come back to compress() instead.
[[noreturn]] void leaveOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

void keepQuiet(j_common_ptr, int) {}

// Only plain C data lives in this frame, so the long jump skips no destructor.
bool compress(const unsigned char* rgb, int width, int height, int stride, unsigned char** out,
              unsigned long* outSize)
{
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = leaveOnError;
    errors.base.emit_message = keepQuiet;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, JpegWriter::quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb + std::size_t(cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray JpegWriter::encode(const QImage& image)
{
    // An empty image, or one that could not be converted, comes out with no pixels, and libjpeg
    // refuses an image of no size.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = compress(rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()),
                             &buffer, &size);
    QByteArray file;
    if (ok && buffer)
        file = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    // libjpeg allocated the buffer with malloc, also on the failing path.
    std::free(buffer);
    return file;
}
