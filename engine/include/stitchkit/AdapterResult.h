// AdapterResult: the owner of what a From conversion handed to an adapter (a header made with
// `new`, pixel rows and low-byte rows from malloc), released when the owner goes.
#pragma once

#include <cstdlib>
#include <utility>

#include "stitchkit/BmpAdapter.h"

// Holds an adapter that an engine operation fills, and releases its header and pixel blocks
// in its destructor. The palette stays the caller's: a From conversion only points at it.
// Inline throughout, so the library exports nothing for it. Movable, not copyable.
class AdapterResult {
public:
    AdapterResult() = default;
    // Takes over the blocks that `filled` points at.
    explicit AdapterResult(const CBmpAdapter& filled) noexcept : m_adapter(filled) {}
    AdapterResult(AdapterResult&& other) noexcept
        : m_adapter(std::exchange(other.m_adapter, CBmpAdapter())) {}
    AdapterResult& operator=(AdapterResult&& other) noexcept {
        if (this != &other) {
            Reset();
            m_adapter = std::exchange(other.m_adapter, CBmpAdapter());
        }
        return *this;
    }
    AdapterResult(const AdapterResult&) = delete;
    AdapterResult& operator=(const AdapterResult&) = delete;
    ~AdapterResult() { Reset(); }

    // The adapter to hand to an engine operation, and to read the result from.
    CBmpAdapter& Adapter() noexcept { return m_adapter; }
    const CBmpAdapter& Adapter() const noexcept { return m_adapter; }
    CBmpAdapter* Get() noexcept { return &m_adapter; }
    CBmpAdapter* operator->() noexcept { return &m_adapter; }
    const CBmpAdapter* operator->() const noexcept { return &m_adapter; }

    // Hands the pixel rows to the caller (release with std::free); the rest stays owned.
    unsigned char* ReleaseData() noexcept {
        unsigned char* data = m_adapter.GetData();
        m_adapter = CBmpAdapter(m_adapter.GetHeader(), nullptr, m_adapter.GetRgb(),
                                m_adapter.GetData48Lower());
        return data;
    }

    // Releases the header and pixel blocks now; the adapter is empty afterwards.
    void Reset() noexcept {
        delete m_adapter.GetHeader();
        std::free(m_adapter.GetData());
        std::free(m_adapter.GetData48Lower());
        m_adapter = CBmpAdapter();
    }

private:
    CBmpAdapter m_adapter;
};
