// JPEG through libjpeg. libjpeg reports fatal errors through error_exit, which must not
// return: ours jumps back to the call with longjmp. Only plain C data lives in the frames
// between setjmp and the libjpeg calls, so no destructor is skipped.
#include "platform/Picture.h"
#include "platform/PictureSupport.h"

#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace platform {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void silent(j_common_ptr) {}
void silentLevel(j_common_ptr, int) {}

void installErrors(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silent;
    err.pub.emit_message = silentLevel; // warnings (damaged data libjpeg can go past) are ignored
    err.message[0] = '\0';
}

// Source: the whole input in memory. Running out of it marks the picture truncated and
// gives libjpeg an end-of-image marker, as it expects.
struct Source {
    jpeg_source_mgr pub;
    bool ranOut;
};

const JOCTET kEoi[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<Source *>(cinfo->src);
    src->ranOut = true;
    src->pub.next_input_byte = kEoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count)
{
    auto *src = reinterpret_cast<Source *>(cinfo->src);
    if (count <= 0)
        return;
    if (size_t(count) >= src->pub.bytes_in_buffer) {
        src->pub.bytes_in_buffer = 0;
        fillInput(cinfo);
        return;
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

enum class Layout { Bgra, Rgb, Gray, Cmyk };

// Decodes into *out; false with the reason in err.message. Plain data only below setjmp.
bool decompress(const uchar *data, size_t size, QImage *out, ErrorManager &err)
{
    jpeg_decompress_struct cinfo;
    Source src;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &err.pub;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    src.pub.init_source = initSource;
    src.pub.fill_input_buffer = fillInput;
    src.pub.skip_input_data = skipInput;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = termSource;
    src.pub.next_input_byte = data;
    src.pub.bytes_in_buffer = size;
    src.ranOut = false;
    cinfo.src = &src.pub;

    jpeg_read_header(&cinfo, TRUE);
    try {
        picture_detail::checkDimensions(cinfo.image_width, cinfo.image_height, qint64(size), 1024);
    } catch (const PictureError &e) {
        std::snprintf(err.message, sizeof err.message, "%s", e.what());
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    Layout layout = Layout::Rgb;
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        layout = Layout::Gray;
    } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        layout = Layout::Cmyk;
    } else {
#if defined(JCS_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo.out_color_space = JCS_EXT_BGRA;
        layout = Layout::Bgra;
#else
        cinfo.out_color_space = JCS_RGB;
#endif
    }
    jpeg_start_decompress(&cinfo);
    if (src.ranOut) {
        std::snprintf(err.message, sizeof err.message, "%s", "datos incompletos");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    const QImage::Format format = layout == Layout::Gray  ? QImage::Format_Grayscale8
                                  : layout == Layout::Rgb ? QImage::Format_RGB888
                                                          : QImage::Format_RGB32;
    *out = QImage(int(cinfo.output_width), int(cinfo.output_height), format);
    if (out->isNull()) {
        std::snprintf(err.message, sizeof err.message, "%s", "no hay memoria suficiente");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The last two bands of rows (smoothing looks one band ahead) may read up to the end of
    // the data, so a file that only lacks its end marker still decodes; running out earlier
    // is a truncated picture.
    const JDIMENSION bands = JDIMENSION(2 * cinfo.max_v_samp_factor * DCTSIZE);
    const JDIMENSION lastBand = cinfo.output_height > bands ? cinfo.output_height - bands : 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        if (src.ranOut && cinfo.output_scanline < lastBand) {
            std::snprintf(err.message, sizeof err.message, "%s", "datos incompletos");
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        JSAMPROW row = out->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (layout == Layout::Cmyk) {
            // In place, from the end: four bytes a pixel either way.
            auto *px = reinterpret_cast<QRgb *>(row);
            const bool inverted = cinfo.saw_Adobe_marker;
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                const uchar *c = row + 4 * x;
                int k = c[3], cc = c[0], m = c[1], y = c[2];
                if (!inverted) {
                    cc = 255 - cc, m = 255 - m, y = 255 - y, k = 255 - k;
                }
                px[x] = qRgb(cc * k / 255, m * k / 255, y * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Destination: appends to a QByteArray through a fixed buffer.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray *out;
    JOCTET buffer[65536];
};

void initDestination(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<Destination *>(cinfo->dest);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = sizeof dst->buffer;
}

boolean emptyOutput(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<Destination *>(cinfo->dest);
    dst->out->append(reinterpret_cast<const char *>(dst->buffer), qsizetype(sizeof dst->buffer));
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = sizeof dst->buffer;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<Destination *>(cinfo->dest);
    dst->out->append(reinterpret_cast<const char *>(dst->buffer),
                     qsizetype(sizeof dst->buffer - dst->pub.free_in_buffer));
}

bool compress(const QImage &rgb, int quality, QByteArray *out, ErrorManager &err)
{
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    auto *dst = new Destination;
    dst->out = out;
    cinfo.err = &err.pub;
    jpeg_create_compress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        delete dst;
        return false;
    }
    dst->pub.init_destination = initDestination;
    dst->pub.empty_output_buffer = emptyOutput;
    dst->pub.term_destination = termDestination;
    cinfo.dest = &dst->pub;
    const bool gray = rgb.format() == QImage::Format_Grayscale8;
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    delete dst;
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray &bytes)
{
    ErrorManager err;
    installErrors(err);
    QImage img;
    if (!decompress(reinterpret_cast<const uchar *>(bytes.constData()), size_t(bytes.size()), &img, err))
        throw PictureError(std::string("La imagen JPEG no es válida: ") + err.message);
    return img;
}

QByteArray encodeJpeg(const QImage &image, int quality)
{
    if (image.isNull())
        throw PictureError("No hay imagen que guardar.");
    if (image.width() > 65500 || image.height() > 65500)
        throw PictureError("La imagen es demasiado grande para un JPEG.");
    const QImage src = image.format() == QImage::Format_Grayscale8 ? image
                                                                    : picture_detail::opaqueRgb888(image);
    ErrorManager err;
    installErrors(err);
    QByteArray out;
    if (!compress(src, std::clamp(quality, 1, 100), &out, err))
        throw PictureError(std::string("No se puede codificar la imagen JPEG: ") + err.message);
    return out;
}

} // namespace platform
