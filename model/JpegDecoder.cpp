#include "model/JpegDecoder.h"

#include "model/TextureImage.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>

namespace tsm {

namespace {

// The library reports a fatal error by calling error_exit, which must not return. Ours shows the message
// and jumps back into DecodeOpenFile. Nothing with a destructor may be alive in the frames the jump
// leaves, so every C++ object used on the way lives in a helper that has returned before the jump.
struct ErrorManager {
    jpeg_error_mgr library; // first, so that the library's pointer converts back to ours
    std::jmp_buf escape;
    IPrompt* prompt;
};

void ShowLibraryMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    reinterpret_cast<ErrorManager*>(cinfo->err)->prompt->Message(text, PromptIcon::None, "JPEG Error");
}

[[noreturn]] void AbandonDecode(j_common_ptr cinfo) {
    ShowLibraryMessage(cinfo);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

// Warnings about recoverable damage would otherwise go to stderr; the decode carries on silently.
void IgnoreMessage(j_common_ptr) {}

void ShowOutOfMemory(IPrompt& prompt) {
    prompt.Message("JpegFile :\nOut of memory", PromptIcon::Error);
}

void ShowUnsupportedColours(IPrompt& prompt, int components) {
    prompt.Message("JPEG :\nUnsupported number of color components: " + std::to_string(components) + "\n",
                   PromptIcon::None, "JPEG Error");
}

// A CMYK row (YCCK comes out of the library as CMYK) as RGB. Files with the Adobe marker, nearly all CMYK
// JPEGs there are, store the inks inverted, 255 meaning none; the others store them as they are.
void CmykToRgb(const JSAMPLE* cmyk, uint8_t* rgb, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const int ink = inverted ? cmyk[c] : 255 - cmyk[c];
            rgb[c] = uint8_t((ink * k + 127) / 255);
        }
    }
}

bool AllocatePixels(TextureImage& image, JDIMENSION width, JDIMENSION height) {
    const int64_t pixels = int64_t(width) * int64_t(height);
    if (pixels > kMaxImagePixels) return false;
    try {
        image.pixels.resize(size_t(pixels) * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    image.width = int32_t(width);
    image.height = int32_t(height);
    return true;
}

// Fills `image` from the open file, or from `data` when there is no file; false after reporting why not.
// Only plain data lives in this frame between setjmp and the end of the decode.
bool DecodeSource(std::FILE* file, const uint8_t* data, size_t size, TextureImage* image, IPrompt* prompt) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.library);
    errors.library.error_exit = AbandonDecode;
    errors.library.output_message = IgnoreMessage;
    errors.prompt = prompt;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    if (file)
        jpeg_stdio_src(&cinfo, file);
    else
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    // The output size equals the image size with the default parameters; refusing a huge image here
    // also keeps the library from allocating its whole-image buffers for it.
    if (int64_t(cinfo.image_width) * int64_t(cinfo.image_height) > kMaxImagePixels) {
        ShowOutOfMemory(*prompt);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) cinfo.out_color_space = JCS_CMYK;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 1 && cinfo.output_components != 3 &&
        !(cmyk && cinfo.output_components == 4)) {
        ShowUnsupportedColours(*prompt, cinfo.output_components);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!AllocatePixels(*image, cinfo.output_width, cinfo.output_height)) {
        ShowOutOfMemory(*prompt);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The row buffer belongs to the library's pool and goes with the decompressor.
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 cinfo.output_width * JDIMENSION(cinfo.output_components), 1);
    const size_t rowBytes = size_t(cinfo.output_width) * 3;
    while (cinfo.output_scanline < cinfo.output_height) {
        // A read that delivers nothing leaves the count short, which jpeg_finish_decompress reports.
        if (jpeg_read_scanlines(&cinfo, line, 1) != 1) break;
        uint8_t* dst = image->pixels.data() + size_t(cinfo.output_scanline - 1) * rowBytes;
        const JSAMPLE* src = line[0];
        if (cinfo.output_components == 4) {
            CmykToRgb(src, dst, cinfo.output_width, cinfo.saw_Adobe_marker);
        } else if (cinfo.output_components == 3) {
            for (size_t i = 0; i < rowBytes; ++i) dst[i] = src[i];
        } else {
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x)
                dst[x * 3] = dst[x * 3 + 1] = dst[x * 3 + 2] = src[x];
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

std::unique_ptr<TextureImage> LoadJpegFile(const std::string& path, IPrompt& prompt) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        prompt.Message("JPEG :\nCan't open " + path + "\n");
        return nullptr;
    }
    auto image = std::make_unique<TextureImage>();
    const bool decoded = DecodeSource(file, nullptr, 0, image.get(), &prompt);
    std::fclose(file);
    if (!decoded) return nullptr;
    return image;
}

std::unique_ptr<TextureImage> DecodeJpeg(const uint8_t* data, size_t size, IPrompt& prompt) {
    auto image = std::make_unique<TextureImage>();
    if (!DecodeSource(nullptr, data, size, image.get(), &prompt)) return nullptr;
    return image;
}

} // namespace tsm
