#pragma once

#include <cstddef>
#include <cstdint>

#include "general_block.h"

// IoParamBlock (registers 0x6001-0x600B) as held, low byte first.
constexpr size_t kChangeFieldSize = 18;

inline int IoInputLength(const uint8_t* block) { return HeldWord(block, 0); }
inline int IoOutputLength(const uint8_t* block) { return HeldWord(block, 2); }
inline const uint8_t* IoChangeField(const uint8_t* block) { return block + 4; }
// Sets held bytes 0-3 from the two lengths (low 16 bits each).
inline void SetIoLengthsInBlock(uint8_t* block, int input, int output) {
    SetHeldWord(block, 0, static_cast<uint16_t>(input));
    SetHeldWord(block, 2, static_cast<uint16_t>(output));
}
