// Fuzz target of the BMP decoder: any bytes must give an image or a failure status, without a crash, a
// sanitizer report, a leak, a hang or an allocation beyond the image the bytes can describe.
#include "model/BmpDecoder.h"
#include "model/TextureImage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tsm;
    const BmpImage result = DecodeBmp(data, size);
    if (result.ok() ? *result == nullptr : result.reason().empty()) {
        std::fprintf(stderr, "a decode gave no image or failed without a reason\n");
        std::abort();
    }
    if (!result.ok()) return 0;
    const TextureImage& image = **result;
    if (image.width <= 0 || image.height <= 0 || int64_t(image.width) * image.height > kMaxImagePixels ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 3) {
        std::fprintf(stderr, "decoded image of inconsistent size %dx%d, %zu bytes\n", image.width,
                     image.height, image.pixels.size());
        std::abort();
    }
    return 0;
}
