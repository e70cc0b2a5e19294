// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/sio.h"

#include <stdexcept>

namespace gamekit {

Sio& Sio::label(const std::string& name) {
    labels_[name] = bytes_.size();
    return *this;
}

Sio& Sio::byte(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
}

Sio& Sio::word(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

Sio& Sio::triple(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 16));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

Sio& Sio::text(const std::string& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    bytes_.push_back(0);
    return *this;
}

Sio& Sio::variable(SioVar v) {
    return byte(v.bank).word(v.number);
}

Sio& Sio::target(const std::string& label) {
    targets_.emplace_back(bytes_.size(), label);
    return word(0);
}

Bytes Sio::build() const {
    Bytes out = bytes_;
    for (const auto& [position, name] : targets_) {
        auto found = labels_.find(name);
        if (found == labels_.end()) throw std::runtime_error("SIO label not placed: " + name);
        if (found->second > 0xFFFF) throw std::runtime_error("SIO label past 0xFFFF: " + name);
        out[position] = static_cast<std::uint8_t>(found->second >> 8);
        out[position + 1] = static_cast<std::uint8_t>(found->second);
    }
    return out;
}

}  // namespace gamekit
