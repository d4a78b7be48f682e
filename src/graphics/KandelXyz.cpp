#include "graphics/KandelXyz.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <zlib.h>

#include "base/Errors.h"

namespace kestra {

void ReadXyz(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name) {
    if (data.size() < 8) throw EImageFormatError(name + ": file too short for an XYZ image");
    if (std::memcmp(data.data(), "XYZ1", 4) != 0)
        throw EInvalidGraphic(name + ": not an XYZ image (bad magic)");
    const int width = data[4] | (data[5] << 8);
    const int height = data[6] | (data[7] << 8);
    CheckImageSize(width, height, name);
    TKandelBitmap result;
    result.Reset(TPixelFormat::Indexed8, width, height);
    const std::size_t pixelBytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> raw(768 + pixelBytes, 0);

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw EKestraError(name + ": cannot initialise the decompressor");
    stream.next_in = const_cast<Bytef*>(data.data() + 8);
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size() - 8, UINT_MAX));
    stream.next_out = raw.data();
    stream.avail_out = static_cast<uInt>(raw.size());
    const int rc = inflate(&stream, Z_FINISH);
    const std::string message = stream.msg ? stream.msg : "zlib error " + std::to_string(rc);
    inflateEnd(&stream);
    // A stream that stops early (Z_BUF_ERROR) leaves the rest zero.
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
        throw EKestraError(name + ": corrupt compressed image data (" + message + ")");

    result.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        result.Palette[i] = {raw[3 * i], raw[3 * i + 1], raw[3 * i + 2], 0};
    if (pixelBytes > 0) std::memcpy(result.Pixels.data(), raw.data() + 768, pixelBytes);
    bitmap = std::move(result);
}

void WriteXyz(const TKandelBitmap& source, std::vector<std::uint8_t>& out) {
    if (source.Empty()) throw EInvalidGraphic("cannot write an empty image as XYZ");
    if (source.Format == TPixelFormat::Rgb24)
        throw EInvalidGraphic("XYZ holds 8-bit palette images only; this image is 24-bit");
    if (source.Width > 0xFFFF || source.Height > 0xFFFF)
        throw EInvalidGraphic("image too large for XYZ");
    const TKandelBitmap bitmap = ExpandToIndexed8(source);
    const std::size_t pixelBytes =
        static_cast<std::size_t>(bitmap.Width) * static_cast<std::size_t>(bitmap.Height);
    std::vector<std::uint8_t> raw(768 + pixelBytes);
    for (int i = 0; i < 256; ++i) {
        const TRgbQuad c = i < bitmap.PaletteSize ? bitmap.Palette[i] : TRgbQuad{};
        raw[3 * i] = c.Red;
        raw[3 * i + 1] = c.Green;
        raw[3 * i + 2] = c.Blue;
    }
    std::memcpy(raw.data() + 768, bitmap.Pixels.data(), pixelBytes);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        throw EKestraError("XYZ compression failed");
    const std::uint8_t header[8] = {'X',
                                    'Y',
                                    'Z',
                                    '1',
                                    static_cast<std::uint8_t>(bitmap.Width),
                                    static_cast<std::uint8_t>(bitmap.Width >> 8),
                                    static_cast<std::uint8_t>(bitmap.Height),
                                    static_cast<std::uint8_t>(bitmap.Height >> 8)};
    out.insert(out.end(), header, header + 8);
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedSize));
}

} // namespace kestra
