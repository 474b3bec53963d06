#include "groupsim/SimPicture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace groupsim {
namespace {

// The usual luminance table for DC differences (JPEG standard, table K.3).
constexpr std::uint8_t kDcCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};

class TBitWriter {
public:
    explicit TBitWriter(std::string& out) : out_(out) {}
    void Put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            byte_ = static_cast<std::uint8_t>((static_cast<std::uint32_t>(byte_) << 1) |
                                              ((bits >> i) & 1u));
            if (++filled_ == 8) Flush();
        }
    }
    void Finish() {
        while (filled_ != 0) Put(1, 1);  // pad with ones
    }

private:
    void Flush() {
        out_.push_back(static_cast<char>(byte_));
        if (byte_ == 0xFF) out_.push_back('\0');  // a 0xFF byte of data is followed by 0
        byte_ = 0;
        filled_ = 0;
    }
    std::string& out_;
    std::uint8_t byte_ = 0;
    int filled_ = 0;
};

void Marker(std::string& out, std::uint8_t marker, const std::string& body) {
    out.push_back('\xFF');
    out.push_back(static_cast<char>(marker));
    const std::size_t length = body.size() + 2;
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(length & 0xFF));
    out += body;
}

std::uint64_t Next(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

std::string MosaicJpeg(std::uint64_t seed, int columns, int rows) {
    // Canonical codes of the DC table: category -> (code, length).
    std::uint32_t codes[12] = {};
    int lengths[12] = {};
    {
        std::uint32_t code = 0;
        int symbol = 0;
        for (int length = 1; length <= 16; ++length) {
            for (int k = 0; k < kDcCounts[length - 1]; ++k) {
                codes[symbol] = code++;
                lengths[symbol++] = length;
            }
            code <<= 1;
        }
    }
    std::string out = "\xFF\xD8";
    Marker(out, 0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    Marker(out, 0xDB, std::string(1, '\0') + std::string(64, '\x01'));  // every step 1
    const auto width = static_cast<std::uint16_t>(columns * 8);
    const auto height = static_cast<std::uint16_t>(rows * 8);
    std::string frame = {'\x08',
                         static_cast<char>(height >> 8),
                         static_cast<char>(height & 0xFF),
                         static_cast<char>(width >> 8),
                         static_cast<char>(width & 0xFF),
                         '\x03'};
    for (char id = 1; id <= 3; ++id) frame += {id, '\x11', '\0'};
    Marker(out, 0xC0, frame);
    std::string tables =
        std::string(1, '\x00') + std::string(reinterpret_cast<const char*>(kDcCounts), 16);
    for (char s = 0; s < 12; ++s) tables.push_back(s);
    // The AC table has one code, end of block: every tile is flat.
    tables += std::string(1, '\x10') + std::string(1, '\x01') + std::string(15, '\0') +
              std::string(1, '\0');
    Marker(out, 0xC4, tables);
    Marker(out, 0xDA, std::string("\x03\x01\x00\x02\x00\x03\x00\x00\x3F\x00", 10));

    // Two colours and a direction; each tile lies between them, with a little noise.
    std::uint64_t state = seed;
    double from[3], to[3];
    for (int c = 0; c < 3; ++c) {
        from[c] = 40.0 + static_cast<double>(Next(state) % 180);
        to[c] = 40.0 + static_cast<double>(Next(state) % 180);
    }
    const double angle = static_cast<double>(Next(state) % 628) / 100.0;
    TBitWriter bits(out);
    int previous[3] = {0, 0, 0};
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const double along = 0.5 + 0.5 *
                                           (std::cos(angle) * (x - columns / 2.0) / columns * 2.0 +
                                            std::sin(angle) * (y - rows / 2.0) / rows * 2.0) /
                                           1.5;
            const double noise = static_cast<double>(Next(state) % 31) - 15.0;
            double rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = std::clamp(from[c] + (to[c] - from[c]) * along + noise, 0.0, 255.0);
            const double ycc[3] = {0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2],
                                   128.0 - 0.168736 * rgb[0] - 0.331264 * rgb[1] + 0.5 * rgb[2],
                                   128.0 + 0.5 * rgb[0] - 0.418688 * rgb[1] - 0.081312 * rgb[2]};
            for (int c = 0; c < 3; ++c) {
                // A flat tile's only coefficient: 8 x (value - 128), at quantisation step 1.
                const int dc = static_cast<int>(std::lround(8.0 * (ycc[c] - 128.0)));
                const int diff = dc - previous[c];
                previous[c] = dc;
                const int magnitude = diff < 0 ? -diff : diff;
                int category = 0;
                while ((1 << category) <= magnitude) ++category;
                bits.Put(codes[category], lengths[category]);
                if (category > 0) {
                    const int value = diff >= 0 ? diff : diff + (1 << category) - 1;
                    bits.Put(static_cast<std::uint32_t>(value), category);
                }
                bits.Put(0, 1);  // end of block
            }
        }
    }
    bits.Finish();
    out += "\xFF\xD9";
    return out;
}

}  // namespace groupsim
