// The picture handle that crosses from the program into the engine: a device-independent
// bitmap (header, bottom-up pixel rows, optional palette, and the low-byte rows of a picture
// with 16 bits per channel), with the conversions to and from engine images.
#pragma once

#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"
#include "stitchkit/ImageRec.h"

// Thrown by value when a conversion runs out of memory or an adapter has no picture.
class STITCHKIT_API CBmpAdapterException {};

// The conversions, in their fixed virtual-slot order. No virtual destructor: adapters are
// owned and destroyed as their concrete type.
class STITCHKIT_API IImageAdapter {
public:
    virtual void FromNIL(N_ImageRec* image, unsigned short* palette) = 0;
    virtual N_ImageRec* ToNIL(bool expand8bit = true) = 0;
    virtual int GetHeight() = 0;
    virtual int GetWidth() = 0;
    virtual void FromNILDIB(N_ImageRec* image, unsigned short* palette) = 0;
    virtual void FromNILDIB48Lower(N_ImageRec* image) = 0;
    virtual N_ImageRec* ToNILDIB(bool expand8bit = true) = 0;
    virtual N_ImageRec* ToNILDIB48Lower(bool expand8bit = true) = 0;

protected:
    IImageAdapter() = default;
    IImageAdapter(const IImageAdapter&) = default;
    IImageAdapter& operator=(const IImageAdapter&) = default;
    ~IImageAdapter() = default;
};

// A DIB adapter. It owns nothing: copies copy the four pointers, and whoever allocated a
// buffer frees it. Headers made by the From conversions are allocated with `new` (release
// with `delete`); pixel buffers made by FromNIL come from the engine's allocator (release with
// std::free); FromNILDIB hands over the result image's own pixel memory (std::free as well).
class STITCHKIT_API CBmpAdapter : public IImageAdapter {
public:
    CBmpAdapter() = default;
    CBmpAdapter(BITMAPINFOHEADER* header, unsigned char* data, RGBQUAD* rgb = nullptr,
                unsigned char* data48lower = nullptr)
        : m_header(header), m_data(data), m_rgb(rgb), m_data48lower(data48lower) {}

    void FromNIL(N_ImageRec* image, unsigned short* palette) override;
    N_ImageRec* ToNIL(bool expand8bit = true) override;
    int GetHeight() override;
    int GetWidth() override;
    void FromNILDIB(N_ImageRec* image, unsigned short* palette) override;
    void FromNILDIB48Lower(N_ImageRec* image) override;
    N_ImageRec* ToNILDIB(bool expand8bit = true) override;
    N_ImageRec* ToNILDIB48Lower(bool expand8bit = true) override;

    BITMAPINFOHEADER* GetHeader() const { return m_header; }
    unsigned char* GetData() const { return m_data; }
    RGBQUAD* GetRgb() const { return m_rgb; }
    unsigned char* GetData48Lower() const { return m_data48lower; }
    bool IsEmpty() const { return m_header == nullptr || m_data == nullptr; }

private:
    BITMAPINFOHEADER* m_header = nullptr;
    unsigned char* m_data = nullptr;
    RGBQUAD* m_rgb = nullptr;
    unsigned char* m_data48lower = nullptr;
};
