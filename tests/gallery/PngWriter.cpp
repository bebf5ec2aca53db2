#include "tests/gallery/PngWriter.h"

#include "lib/Handle.h"
#include "lib/TolveLog.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace gallery {

namespace {

void AppendBigEndian(std::string& out, uint32_t value)
{
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

void AppendChunk(std::string& out, const char* type, const std::string& data)
{
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(body.data()),
                            static_cast<uInt>(body.size()));
    AppendBigEndian(out, static_cast<uint32_t>(crc));
}

} // namespace

std::string EncodePng(const lib::wfc::CDIB& picture, COLORREF key)
{
    const BITMAPINFOHEADER* header = picture.GetInfoHeader();
    if (header == nullptr || header->biBitCount != 24 || picture.GetBits() == nullptr) return "";
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    if (width <= 0 || height <= 0) return "";

    // Each row: filter type 0, then red, green, blue.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + static_cast<size_t>(width) * 3));
    for (int y = 0; y < height; ++y) {
        const int row = header->biHeight > 0 ? height - 1 - y : y;
        const uint8_t* p = picture.GetBits() + static_cast<size_t>(row) * picture.GetRowBytes();
        raw.push_back(0);
        for (int x = 0; x < width; ++x, p += 3) {
            COLORREF color = RGB(p[2], p[1], p[0]);
            if (color == key) {
                const bool dark = ((x / kBackdropSquare) + (y / kBackdropSquare)) % 2 != 0;
                color = dark ? kBackdropDark : kBackdropLight;
            }
            raw.push_back(GetRValue(color));
            raw.push_back(GetGValue(color));
            raw.push_back(GetBValue(color));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
        return "";
    }

    std::string png("\x89PNG\r\n\x1A\n", 8);
    std::string ihdr;
    AppendBigEndian(ihdr, static_cast<uint32_t>(width));
    AppendBigEndian(ihdr, static_cast<uint32_t>(height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    AppendChunk(png, "IHDR", ihdr);
    AppendChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
    AppendChunk(png, "IEND", "");
    return png;
}

bool WritePng(const std::string& path, const lib::wfc::CDIB& picture, COLORREF key)
{
    const std::string png = EncodePng(picture, key);
    if (png.empty()) return false;
    lib::CHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CreateFile %s ERR:0x%08lX", path.c_str(), ::GetLastError());
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written,
                       nullptr) && written == png.size();
}

} // namespace gallery
