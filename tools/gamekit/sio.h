// SPDX-License-Identifier: GPL-2.0-or-later
// An assembler for SIO scenario files. Tests and the sample-game generator
// write scenarios as programs:
//
//   gamekit::Sio sio;
//   sio.label("top");
//   sio_text(sio, "あいう");        // command 240 (see sio_commands.h)
//   sio_jump(sio, "top");          // command 1
//   gamekit::Bytes bytes = sio.build();
//
// Jump targets are labels, resolved to SIO offsets by build().
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gamekit/gamekit.h"

namespace gamekit {

// A variable operand: bank byte and number. Bank 2 is the second bank.
struct SioVar {
    std::uint8_t bank = 0;
    std::uint16_t number = 0;
};
inline SioVar var(std::uint16_t number) {
    return {0, number};
}
inline SioVar var2(std::uint16_t number) {
    return {2, number};
}

// A value operand (24 bits): a literal below 0x10000, or a variable of the
// first (0x1xxxx) or the second (0x2xxxx) bank.
inline std::uint32_t lit(std::uint16_t value) {
    return value;
}
inline std::uint32_t ref(std::uint16_t number) {
    return 0x10000u | number;
}
inline std::uint32_t ref2(std::uint16_t number) {
    return 0x20000u | number;
}

class Sio {
  public:
    // The SIO offset of the next byte.
    std::size_t here() const { return bytes_.size(); }
    // Names the offset of the next byte.
    Sio& label(const std::string& name);

    Sio& byte(std::uint8_t value);
    Sio& word(std::uint16_t value);    // big-endian
    Sio& triple(std::uint32_t value);  // big-endian, 24 bits
    // Code page 932 bytes (use cp932() for Japanese) and their zero byte.
    Sio& text(const std::string& bytes);
    Sio& variable(SioVar v);
    // A 16-bit target: the offset of a label, filled in by build().
    Sio& target(const std::string& label);

    // The SIO bytes with every target resolved. Throws std::runtime_error
    // for a label that was never placed or that lies past offset 0xFFFF.
    Bytes build() const;

  private:
    Bytes bytes_;
    std::map<std::string, std::size_t> labels_;
    std::vector<std::pair<std::size_t, std::string>> targets_;
};

}  // namespace gamekit
