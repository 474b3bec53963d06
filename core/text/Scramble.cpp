#include "text/Scramble.h"

namespace tessaly {
namespace {

// Each output byte is the input XOR the high byte of the state; the state then advances with
// the scrambled byte, so the same stream can be undone with the same key.
std::string Run(std::string_view text, std::uint16_t key, bool scramble) {
    std::string out(text.size(), '\0');
    std::uint32_t state = key;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto in = static_cast<unsigned char>(text[i]);
        auto o = static_cast<unsigned char>(in ^ ((state >> 8) & 0xFF));
        out[i] = static_cast<char>(o);
        unsigned char c = scramble ? o : in;
        state = ((state + c) * 52845u + 22719u) & 0xFFFFu;
    }
    return out;
}

}  // namespace

std::string ScrambleText(std::string_view text, std::uint16_t key) {
    return Run(text, key, true);
}
std::string UnscrambleText(std::string_view text, std::uint16_t key) {
    return Run(text, key, false);
}

}  // namespace tessaly
