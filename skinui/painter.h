#pragma once
// Drawing: a 32-bit premultiplied bitmap and a painter that fills it with
// colours, skin pictures and text. The painter is the toolkit's only user
// of GDI+; nothing else includes it.

#include "skinui/attribute_parse.h"
#include "skinui/layout_builder.h"
#include "skinui/markup.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

// Top-down BGRA pixels with premultiplied alpha, selected into its own
// memory DC so it can be handed to UpdateLayeredWindow or BitBlt.
class CSurface {
public:
    CSurface() = default;
    ~CSurface();
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    // Fresh, fully transparent pixels; false (and empty) on failure.
    bool resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    HDC dc() const { return dc_; }
    DWORD* bits() { return bits_; }
    // 0xAARRGGBB premultiplied; 0 outside.
    DWORD pixel(int x, int y) const;
    void clear(const RECT* rect = nullptr);

private:
    void release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The face a font request ends up with: the face itself when installed,
// else the first installed CJK face, so Chinese never shows as boxes.
std::wstring resolveFontFace(const std::wstring& face);

// Drops decoded pictures (a skin file changed, or a test starts afresh).
void clearImageCache();
// Decoded pictures of one picture scale (100, 150, 200) in the cache.
std::size_t cachedPictureCount(int percent);

// Decodes pictures into the cache ahead of a window's first paint, on any
// thread (the first call also starts GDI+), at the scale a window of that
// DPI draws. A file that is missing or broken is remembered as such, as
// painting would.
void preparePictures(const std::vector<CImageDesc>& images, int dpi);

class CPainter {
public:
    // At dpi from the start: no pictures of another scale are touched.
    explicit CPainter(CSurface& surface, int dpi = 96);
    ~CPainter();
    CPainter(const CPainter&) = delete;
    CPainter& operator=(const CPainter&) = delete;

    // Fonts, pictures and image borders for this DPI (96 at first). When
    // the last painter leaves a picture scale, its pictures are dropped.
    void setDpi(int dpi);
    int dpi() const;

    // The window's fonts (sizes at 96 DPI); the default is the one marked
    // so, else id 0.
    void setFonts(const std::vector<CFontDesc>& fonts);
    const CFontDesc& font(int id) const;

    // Nothing is drawn outside; null lifts the clip.
    void setClip(const RECT* rect);

    // Colours are 0xAARRGGBB; alpha 0 draws nothing.
    void fillRect(const RECT& rect, DWORD color);
    // The keyboard focus: a dark frame of lineWidth along the rectangle's
    // edge with a white line inside it.
    void drawFocusRing(const RECT& rect, int lineWidth);
    // Source cell, dest inside the control, nine-grid corner, mask, all
    // written for 96 DPI; the picture drawn for the painter's DPI where the
    // skin has one. False when the picture is missing (nothing drawn).
    bool drawImage(const CImageDesc& image, const RECT& control);

    // Text colours ignore alpha (the layouts write white as #00FFFFFF).
    // style: DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM, DT_SINGLELINE or
    // DT_WORDBREAK.
    // Text is placed in rect and clipped to clip (rect when null).
    void drawText(const std::wstring& text, const RECT& rect, int font, DWORD color, UINT style,
                  const RECT* clip = nullptr);
    void drawMarkup(const std::vector<CTextRun>& runs, const RECT& rect, int font, DWORD color, UINT style,
                    const RECT* clip = nullptr);
    // Word-wrapped text scrolled up by scrollY; returns the whole height.
    int drawWrapped(const std::wstring& text, const RECT& rect, int font, DWORD color, int scrollY);
    int measureWrapped(const std::wstring& text, int width, int font);
    // Advance of the first count characters on one line.
    int textWidth(const std::wstring& text, std::size_t count, int font);
    int lineHeight(int font);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace SkinUI
