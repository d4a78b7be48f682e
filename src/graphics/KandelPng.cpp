#include "graphics/KandelPng.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <zlib.h>

#include "base/Errors.h"

namespace kestra {
namespace {

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

constexpr std::uint32_t ChunkType(const char (&t)[5]) {
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16) |
           (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint32_t(std::uint8_t(t[3]));
}

constexpr std::uint32_t KIhdr = ChunkType("IHDR");
constexpr std::uint32_t KPlte = ChunkType("PLTE");
constexpr std::uint32_t KIdat = ChunkType("IDAT");
constexpr std::uint32_t KIend = ChunkType("IEND");

std::uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// Inflates the image data row by row as IDAT chunks arrive; a row may span chunks.
class TPngRowDecoder {
public:
    // `depth` below 8 packs several palette indices into a byte, high bits first.
    TPngRowDecoder(TKandelBitmap& bitmap, int bytesPerPixel, int depth, const std::string& name)
        : Bitmap(bitmap), Bpp(bytesPerPixel), Depth(depth), Name(name),
          RowSize(depth < 8 ? (static_cast<std::size_t>(bitmap.Width) * depth + 7) / 8
                            : static_cast<std::size_t>(bitmap.Width) * bytesPerPixel),
          Current(RowSize + 1, 0), Previous(RowSize + 1, 0) {
        if (inflateInit(&Stream) != Z_OK)
            throw EKestraError(Name + ": cannot initialise the decompressor");
    }
    ~TPngRowDecoder() { inflateEnd(&Stream); }
    TPngRowDecoder(const TPngRowDecoder&) = delete;
    TPngRowDecoder& operator=(const TPngRowDecoder&) = delete;

    bool Done() const { return NextRow >= Bitmap.Height; }

    void Feed(const std::uint8_t* data, std::size_t size) {
        Stream.next_in = const_cast<Bytef*>(data);
        Stream.avail_in = static_cast<uInt>(size);
        for (;;) {
            if (Done()) return;
            if (StreamEnded)
                throw EImageFormatError(Name + ": the image data ends before the last row");
            Stream.next_out = Current.data() + Filled;
            Stream.avail_out = static_cast<uInt>(Current.size() - Filled);
            const int rc = inflate(&Stream, Z_NO_FLUSH);
            if (rc == Z_BUF_ERROR) return; // no progress without more input
            if (rc == Z_STREAM_END) {
                StreamEnded = true;
            } else if (rc != Z_OK) {
                throw EKestraError(Name + ": corrupt compressed image data (" +
                                   std::string(Stream.msg ? Stream.msg : "zlib error") + ")");
            }
            Filled = Current.size() - Stream.avail_out;
            if (Filled == Current.size())
                FinishRow();
            else if (!StreamEnded)
                return; // zlib stops short of a full row only when the input is used up
        }
    }

private:
    void FinishRow() {
        std::uint8_t* row = Current.data() + 1;
        const std::uint8_t* up = Previous.data() + 1;
        const std::size_t n = RowSize;
        const auto bpp = static_cast<std::size_t>(Bpp);
        switch (Current[0]) {
        case 0:
            break;
        case 1:
            for (std::size_t i = bpp; i < n; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < n; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + ((left + up[i]) >> 1));
            }
            break;
        case 4:
            for (std::size_t i = 0; i < n; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                const int upLeft = i >= bpp ? up[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + Paeth(left, up[i], upLeft));
            }
            break;
        default:
            throw EImageFormatError(Name + ": unknown row filter " + std::to_string(Current[0]) +
                                    " in row " + std::to_string(NextRow));
        }
        std::uint8_t* dst = Bitmap.Row(NextRow);
        if (Depth < 8) {
            const unsigned mask = (1u << Depth) - 1;
            for (int x = 0; x < Bitmap.Width; ++x) {
                const std::size_t bit = static_cast<std::size_t>(x) * Depth;
                dst[x] = static_cast<std::uint8_t>(row[bit / 8] >> (8 - Depth - bit % 8) & mask);
            }
        } else if (Bpp == 3) {
            for (std::size_t i = 0; i < n; i += 3) {
                dst[i] = row[i + 2];
                dst[i + 1] = row[i + 1];
                dst[i + 2] = row[i];
            }
        } else {
            std::memcpy(dst, row, n);
        }
        std::swap(Current, Previous);
        Filled = 0;
        ++NextRow;
    }

    TKandelBitmap& Bitmap;
    const int Bpp;
    const int Depth;
    const std::string& Name;
    const std::size_t RowSize;
    std::vector<std::uint8_t> Current, Previous;
    std::size_t Filled = 0;
    int NextRow = 0;
    bool StreamEnded = false;
    z_stream Stream{};
};

void ReadHeader(const std::uint8_t* p, TKandelBitmap& bitmap, int& bytesPerPixel, int& bitDepth,
                bool lowPaletteDepths, const std::string& name) {
    const std::uint32_t width = ReadBe32(p);
    const std::uint32_t height = ReadBe32(p + 4);
    const int depth = p[8], colourType = p[9];
    const int compression = p[10], filter = p[11], interlace = p[12];
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        throw EImageFormatError(name + ": invalid image size " + std::to_string(width) + " x " +
                                std::to_string(height));
    const bool lowPalette =
        lowPaletteDepths && colourType == 3 && (depth == 1 || depth == 2 || depth == 4);
    if (colourType == 3 && depth != 8 && !lowPalette)
        throw EInvalidGraphic(name + ": palette image of bit depth " + std::to_string(depth) +
                              "; only 8-bit palette images are supported");
    if (colourType != 3 && colourType != 2)
        throw EUnsupportedFormat(name + ": unsupported colour type " + std::to_string(colourType) +
                                 "; only palette and RGB images are supported");
    if (depth != 8 && !lowPalette)
        throw EUnsupportedFormat(name + ": RGB image of bit depth " + std::to_string(depth) +
                                 "; only 8 is supported");
    if (compression != 0 || filter != 0)
        throw EImageFormatError(name + ": unknown compression or filter method");
    if (interlace == 1) throw EUnsupportedFormat(name + ": interlaced images are not supported");
    if (interlace != 0)
        throw EImageFormatError(name + ": unknown interlace method " + std::to_string(interlace));
    CheckImageSize(width, height, name);
    bitmap = TKandelBitmap{};
    bitmap.Reset(colourType == 3 ? TPixelFormat::Indexed8 : TPixelFormat::Rgb24,
                 static_cast<int>(width), static_cast<int>(height));
    bytesPerPixel = colourType == 3 ? 1 : 3;
    bitDepth = depth;
}

void AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::uint8_t* data,
                 std::size_t size) {
    AppendBe32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size > 0) out.insert(out.end(), data, data + size);
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(size + 4));
    AppendBe32(out, static_cast<std::uint32_t>(crc));
}

} // namespace

namespace {

void DecodePng(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name,
               bool lowPaletteDepths) {
    if (data.size() < 8 || std::memcmp(data.data(), KPngSignature, 8) != 0)
        throw EImageFormatError(name + ": not a PNG file (bad signature)");
    std::size_t pos = 8;
    bool haveHeader = false, seenData = false;
    int bytesPerPixel = 1, bitDepth = 8;
    std::unique_ptr<TPngRowDecoder> decoder;
    TKandelBitmap result;
    for (;;) {
        if (data.size() - pos < 8)
            throw EImageFormatError(name + ": unexpected end of file before IEND");
        const std::uint32_t length = ReadBe32(data.data() + pos);
        const std::uint32_t type = ReadBe32(data.data() + pos + 4);
        pos += 8;
        if (length > 0x7FFFFFFFu || data.size() - pos < std::size_t{length} + 4)
            throw EImageFormatError(name + ": chunk runs past the end of the file");
        const std::uint8_t* body = data.data() + pos;
        pos += std::size_t{length} + 4; // data and the unchecked CRC
        if (!haveHeader && type != KIhdr)
            throw EImageFormatError(name + ": the first chunk is not IHDR");
        if (seenData && !decoder->Done() && type != KIdat) {
            if (type == KIend)
                throw EImageFormatError(name + ": the image data ends before the last row");
            throw EImageFormatError(name + ": chunk inside the image data");
        }
        if (type == KIhdr) {
            if (haveHeader) throw EImageFormatError(name + ": second IHDR chunk");
            if (length != 13) throw EImageFormatError(name + ": IHDR chunk is not 13 bytes long");
            ReadHeader(body, result, bytesPerPixel, bitDepth, lowPaletteDepths, name);
            haveHeader = true;
            decoder = std::make_unique<TPngRowDecoder>(result, bytesPerPixel, bitDepth, name);
        } else if (type == KPlte) {
            if (length > 768 || length % 3 != 0)
                throw EImageFormatError(name + ": PLTE chunk of " + std::to_string(length) +
                                        " bytes");
            if (result.Format == TPixelFormat::Indexed8) {
                result.Palette = {};
                result.PaletteSize = static_cast<int>(length / 3);
                for (int i = 0; i < result.PaletteSize; ++i)
                    result.Palette[i] = {body[3 * i], body[3 * i + 1], body[3 * i + 2], 0};
            }
        } else if (type == KIdat) {
            seenData = true;
            decoder->Feed(body, length);
        } else if (type == KIend) {
            if (length != 0) throw EImageFormatError(name + ": IEND chunk with data");
            break;
        }
    }
    if (!seenData) throw EImageFormatError(name + ": no image data");
    if (!decoder->Done())
        throw EImageFormatError(name + ": the image data ends before the last row");
    decoder.reset();
    bitmap = std::move(result);
}

} // namespace

void ReadPng(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name) {
    DecodePng(data, bitmap, name, false);
}

void ReadPngAnyPaletteDepth(std::span<const std::uint8_t> data, TKandelBitmap& bitmap,
                            const std::string& name) {
    DecodePng(data, bitmap, name, true);
}

void WritePng(const TKandelBitmap& source, std::vector<std::uint8_t>& out) {
    if (source.Empty()) throw EInvalidGraphic("cannot write an empty image as PNG");
    const TKandelBitmap bitmap = ExpandToIndexed8(source);
    const bool rgb = bitmap.Format == TPixelFormat::Rgb24;
    out.insert(out.end(), KPngSignature, KPngSignature + 8);

    std::vector<std::uint8_t> header;
    AppendBe32(header, static_cast<std::uint32_t>(bitmap.Width));
    AppendBe32(header, static_cast<std::uint32_t>(bitmap.Height));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(rgb ? 2 : 3), 0, 0, 0});
    AppendChunk(out, "IHDR", header.data(), header.size());
    if (!rgb) {
        std::uint8_t palette[768];
        for (int i = 0; i < 256; ++i) {
            const TRgbQuad c = i < bitmap.PaletteSize ? bitmap.Palette[i] : TRgbQuad{};
            palette[3 * i] = c.Red;
            palette[3 * i + 1] = c.Green;
            palette[3 * i + 2] = c.Blue;
        }
        AppendChunk(out, "PLTE", palette, sizeof palette);
    }

    const auto rowBytes = static_cast<std::size_t>(bitmap.RowBytes());
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(bitmap.Height));
    for (int y = 0; y < bitmap.Height; ++y) {
        const std::uint8_t* row = bitmap.Row(y);
        raw.push_back(0);
        if (rgb) {
            for (std::size_t i = 0; i < rowBytes; i += 3)
                raw.insert(raw.end(), {row[i + 2], row[i + 1], row[i]});
        } else {
            raw.insert(raw.end(), row, row + rowBytes);
        }
    }

    z_stream stream{};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK)
        throw EKestraError("cannot initialise the compressor");
    std::vector<std::uint8_t> chunk(65536);
    stream.next_in = raw.data();
    stream.avail_in = static_cast<uInt>(raw.size());
    int rc = Z_OK;
    do {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<uInt>(chunk.size());
        rc = deflate(&stream, Z_FINISH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            deflateEnd(&stream);
            throw EKestraError("image compression failed");
        }
        const std::size_t produced = chunk.size() - stream.avail_out;
        if (produced > 0) AppendChunk(out, "IDAT", chunk.data(), produced);
    } while (rc != Z_STREAM_END);
    deflateEnd(&stream);
    AppendChunk(out, "IEND", nullptr, 0);
}

} // namespace kestra
