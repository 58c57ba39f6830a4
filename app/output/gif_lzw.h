// LZW coding of GIF image data.
//
// The encoder is the classic hashed-table compressor: a 5003-entry open-addressing table of
// (pixel << 12) + prefix keys, codes from (minimum code size + 1) up to 12 bits, a clear code
// when the 4096-code table is full, and output in sub-blocks of 254 data bytes each preceded
// by its length byte. The decoder reads any conforming GIF LZW stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "stitchkit/Dib.h"

class CGifLzwEncoder {
public:
    // Receives each finished sub-block: its length byte followed by the data bytes.
    using Sink = std::function<void(std::span<const BYTE> block)>;

    // `minCodeSize` is the value of the GIF's code-size byte (2 .. 8); pixels must be below
    // 2^minCodeSize.
    CGifLzwEncoder(int minCodeSize, Sink sink);

    // Codes the next pixels, in order; the first call also writes the clear code.
    void AddPixels(std::span<const BYTE> pixels);
    // Writes the last code, the end code and the remaining bits, and flushes the last
    // sub-block. The zero-length terminator block is the caller's.
    void Finish();

    static constexpr int kHashSize = 5003;
    static constexpr int kMaxBits = 12;
    static constexpr int kMaxMaxCode = 1 << kMaxBits;
    static constexpr int kBlockSize = 254;

private:
    void Output(int code);
    void ClearTable();
    void ClearHash();
    void PutByte(BYTE byte);
    void FlushBlock();

    Sink m_sink;
    int m_initBits; // code width after a clear
    int m_nBits;    // current code width
    int m_maxCode;  // largest code of the current width
    int m_clearCode;
    int m_endCode;
    int m_freeEnt;   // next code to hand out
    int m_hashShift; // shift of the pixel in the first probe
    bool m_clearFlag = false;
    bool m_started = false;
    int m_ent = 0; // code of the string matched so far
    std::uint32_t m_curAccum = 0;
    int m_curBits = 0;
    std::array<std::int32_t, kHashSize> m_hashTable{};
    std::array<std::uint16_t, kHashSize> m_codeTable{};
    std::array<BYTE, 256> m_block{};
    int m_blockCount = 0;
};

enum class LzwResult {
    kEndCode,   // the end code was read
    kSinkFull,  // the sink took no more pixels
    kTruncated, // the data ran out before the end code
    kCorrupt,   // a code that is not yet defined, or a bad code size
};

// The minimum code sizes a GIF may state: 2 for pictures of one or two bits per pixel too.
inline constexpr int kGifSmallestCodeSize = 2;
inline constexpr int kGifLargestCodeSize = 8;
// The longest string one code stands for.
inline constexpr int kGifLongestString = 4096;

// Decodes GIF LZW `data` (the sub-blocks' bytes joined) of minimum code size `minCodeSize`
// (2 .. 8; others are kCorrupt), handing each decoded string to `sink`, which answers
// whether it wants more.
LzwResult DecodeGifLzw(std::span<const BYTE> data, int minCodeSize,
                       const std::function<bool(std::span<const BYTE> pixels)>& sink);
