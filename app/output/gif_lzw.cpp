#include "gif_lzw.h"

#include <utility>

// ---------------------------------------------------------------------------------------------
// Encoder

CGifLzwEncoder::CGifLzwEncoder(int minCodeSize, Sink sink)
    : m_sink(std::move(sink)), m_initBits(minCodeSize + 1), m_nBits(minCodeSize + 1),
      m_maxCode((1 << (minCodeSize + 1)) - 1), m_clearCode(1 << minCodeSize),
      m_endCode((1 << minCodeSize) + 1), m_freeEnt((1 << minCodeSize) + 2) {
    // The first probe shifts the pixel by 8 minus the number of doublings that take the table
    // size past 65536 (4 for 5003 entries).
    int doublings = 0;
    for (long size = kHashSize; size < 65536; size *= 2) ++doublings;
    m_hashShift = 8 - doublings;
    ClearHash();
}

void CGifLzwEncoder::ClearHash() {
    m_hashTable.fill(-1);
}

void CGifLzwEncoder::AddPixels(std::span<const BYTE> pixels) {
    std::size_t next = 0;
    if (!m_started) {
        if (pixels.empty()) return;
        m_started = true;
        Output(m_clearCode);
        m_ent = pixels[0];
        next = 1;
    }
    for (; next < pixels.size(); ++next) {
        const int c = pixels[next];
        const std::int32_t key = (static_cast<std::int32_t>(c) << kMaxBits) + m_ent;
        int i = (c << m_hashShift) ^ m_ent;
        bool found = false;
        if (m_hashTable[static_cast<std::size_t>(i)] == key) {
            found = true;
        } else if (m_hashTable[static_cast<std::size_t>(i)] >= 0) {
            // Secondary probes step back by (size - first probe), wrapping around.
            const int step = i == 0 ? 1 : kHashSize - i;
            do {
                i -= step;
                if (i < 0) i += kHashSize;
                if (m_hashTable[static_cast<std::size_t>(i)] == key) {
                    found = true;
                    break;
                }
            } while (m_hashTable[static_cast<std::size_t>(i)] >= 0);
        }
        if (found) {
            m_ent = m_codeTable[static_cast<std::size_t>(i)];
            continue;
        }
        Output(m_ent);
        m_ent = c;
        if (m_freeEnt < kMaxMaxCode) {
            m_codeTable[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(m_freeEnt++);
            m_hashTable[static_cast<std::size_t>(i)] = key;
        } else {
            ClearTable();
        }
    }
}

void CGifLzwEncoder::Finish() {
    if (!m_started) {
        m_started = true;
        Output(m_clearCode);
    } else {
        Output(m_ent);
    }
    Output(m_endCode);
}

void CGifLzwEncoder::ClearTable() {
    ClearHash();
    m_freeEnt = m_clearCode + 2;
    m_clearFlag = true;
    Output(m_clearCode);
}

void CGifLzwEncoder::Output(int code) {
    // Codes are packed least significant bit first.
    m_curAccum &= (1u << m_curBits) - 1u;
    m_curAccum |= static_cast<std::uint32_t>(code) << m_curBits;
    m_curBits += m_nBits;
    while (m_curBits >= 8) {
        PutByte(static_cast<BYTE>(m_curAccum & 0xFF));
        m_curAccum >>= 8;
        m_curBits -= 8;
    }
    // After a clear the width starts again; otherwise it grows when the next free code no
    // longer fits.
    if (m_freeEnt > m_maxCode || m_clearFlag) {
        if (m_clearFlag) {
            m_nBits = m_initBits;
            m_maxCode = (1 << m_nBits) - 1;
            m_clearFlag = false;
        } else {
            ++m_nBits;
            m_maxCode = m_nBits == kMaxBits ? kMaxMaxCode : (1 << m_nBits) - 1;
        }
    }
    if (code == m_endCode) {
        while (m_curBits > 0) {
            PutByte(static_cast<BYTE>(m_curAccum & 0xFF));
            m_curAccum >>= 8;
            m_curBits -= 8;
        }
        m_curBits = 0;
        FlushBlock();
    }
}

void CGifLzwEncoder::PutByte(BYTE byte) {
    m_block[static_cast<std::size_t>(1 + m_blockCount++)] = byte;
    if (m_blockCount >= kBlockSize) FlushBlock();
}

void CGifLzwEncoder::FlushBlock() {
    if (m_blockCount == 0) return;
    m_block[0] = static_cast<BYTE>(m_blockCount);
    m_sink(std::span<const BYTE>(m_block.data(), static_cast<std::size_t>(m_blockCount) + 1));
    m_blockCount = 0;
}

// ---------------------------------------------------------------------------------------------
// Decoder

LzwResult DecodeGifLzw(std::span<const BYTE> data, int minCodeSize,
                       const std::function<bool(std::span<const BYTE> pixels)>& sink) {
    if (minCodeSize < kGifSmallestCodeSize || minCodeSize > kGifLargestCodeSize)
        return LzwResult::kCorrupt;
    constexpr int kCodes = kGifLongestString;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    std::array<std::uint16_t, kCodes> prefix{};
    std::array<BYTE, kCodes> suffix{};
    std::array<BYTE, kCodes> first{}; // first pixel of each code's string
    std::array<BYTE, kCodes> stack{};
    for (int code = 0; code < clearCode; ++code) {
        suffix[static_cast<std::size_t>(code)] = static_cast<BYTE>(code);
        first[static_cast<std::size_t>(code)] = static_cast<BYTE>(code);
    }

    int width = minCodeSize + 1;
    int next = clearCode + 2;
    int previous = -1;
    std::uint32_t accum = 0;
    int bits = 0;
    std::size_t pos = 0;

    for (;;) {
        while (bits < width) {
            if (pos == data.size()) return LzwResult::kTruncated;
            accum |= static_cast<std::uint32_t>(data[pos++]) << bits;
            bits += 8;
        }
        const int code = static_cast<int>(accum & ((1u << width) - 1u));
        accum >>= width;
        bits -= width;

        if (code == clearCode) {
            width = minCodeSize + 1;
            next = clearCode + 2;
            previous = -1;
            continue;
        }
        if (code == endCode) return LzwResult::kEndCode;
        if (previous < 0) {
            if (code >= clearCode) return LzwResult::kCorrupt;
            const BYTE pixel = static_cast<BYTE>(code);
            if (!sink(std::span<const BYTE>(&pixel, 1))) return LzwResult::kSinkFull;
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kCodes)) return LzwResult::kCorrupt;
        if (next < kCodes) {
            // The new entry is the previous string plus the first pixel of this one (of the
            // previous one when this code is the entry being defined).
            const int firstOfCode = code == next ? first[static_cast<std::size_t>(previous)]
                                                 : first[static_cast<std::size_t>(code)];
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(next)] = static_cast<BYTE>(firstOfCode);
            first[static_cast<std::size_t>(next)] = first[static_cast<std::size_t>(previous)];
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        // Each entry's prefix is a smaller code, so the walk ends within 4096 steps.
        std::size_t top = stack.size();
        int walk = code;
        while (walk >= clearCode) {
            stack[--top] = suffix[static_cast<std::size_t>(walk)];
            walk = prefix[static_cast<std::size_t>(walk)];
        }
        stack[--top] = static_cast<BYTE>(walk);
        if (!sink(std::span<const BYTE>(stack.data() + top, stack.size() - top)))
            return LzwResult::kSinkFull;
        previous = code;
    }
}
