#include "skinui/painter.h"

#include "skinui/gdiplus_library.h"
#include "skinui/resample.h"
#include "skinui/resources.h"
#include "skinui/scale.h"

// GDI+ wants its helpers' min and max; this is the one file that sees it.
#include <algorithm>
using std::max;
using std::min;
#include <objidl.h>
#include <gdiplus.h>

#include <map>
#include <mutex>
#include <set>
#include <tuple>

namespace SkinUI {

namespace {

using Gdiplus::REAL;

// Decoded premultiplied pixels, blended by the painter itself: exact
// nine-grid pieces without the seams of a library's stretch filter.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

// file, whether masked, mask, picture scale in percent.
using PictureKey = std::tuple<std::wstring, bool, DWORD, int>;
// picture, source part, size drawn.
using ResizedKey = std::tuple<const Picture*, LONG, LONG, LONG, LONG, LONG, LONG>;

// Resized parts kept for repaints, up to this many pixels in all.
const std::size_t kResizedBudget = 8u << 20;

// GDI+ and the decoded pictures live until the process ends: shutting GDI+
// down from static destructors can hang, and windows may still paint late.
struct Shared {
    ULONG_PTR token = 0;
    bool started = false;
    std::mutex lock;
    // null remembers a missing or broken file.
    std::map<PictureKey, std::unique_ptr<Picture>> images;
    std::map<ResizedKey, std::unique_ptr<Picture>> resized;
    std::size_t resizedPixels = 0;
    // Painters alive per DPI: the pictures of a scale no painter uses any
    // more are dropped when a window moves to another scale.
    std::map<int, int> painters;
    std::map<std::wstring, std::wstring> faces;
};

Shared& shared()
{
    static Shared* state = [] {
        Shared* s = new Shared;
        Gdiplus::GdiplusStartupInput input;
        // No GDI+ call before the library is loaded from the system's copy.
        s->started = loadGdiplus() && Gdiplus::GdiplusStartup(&s->token, &input, nullptr) == Gdiplus::Ok;
        if (!s->started) SKINUI_TRACE(L"GDI+ did not start");
        return s;
    }();
    return *state;
}

// Decodes a PNG or BMP and turns it into premultiplied pixels, with the
// mask colour made transparent.
std::unique_ptr<Picture> decode(const std::string& bytes, bool hasMask, DWORD mask)
{
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    void* data = ::GlobalLock(memory);
    if (!data) {
        ::GlobalFree(memory);
        return nullptr;
    }
    memcpy(data, bytes.data(), bytes.size());
    ::GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::unique_ptr<Picture> result;
    {
        Gdiplus::Bitmap source(stream);
        const UINT w = source.GetWidth();
        const UINT h = source.GetHeight();
        if (source.GetLastStatus() == Gdiplus::Ok && w > 0 && h > 0 && w <= 8192 && h <= 8192) {
            Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
            Gdiplus::BitmapData in;
            if (source.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &in) == Gdiplus::Ok) {
                result.reset(new Picture);
                result->width = static_cast<int>(w);
                result->height = static_cast<int>(h);
                result->pixels.resize(static_cast<std::size_t>(w) * h);
                for (UINT y = 0; y < h; ++y) {
                    const DWORD* src = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(in.Scan0) + y * in.Stride);
                    DWORD* dst = &result->pixels[static_cast<std::size_t>(y) * w];
                    for (UINT x = 0; x < w; ++x) {
                        const DWORD p = src[x];
                        const DWORD a = p >> 24;
                        if (a == 0 || (hasMask && (p & 0xFFFFFF) == (mask & 0xFFFFFF))) {
                            dst[x] = 0;
                            continue;
                        }
                        const DWORD r = ((p >> 16) & 0xFF) * a / 255;
                        const DWORD g = ((p >> 8) & 0xFF) * a / 255;
                        const DWORD b = (p & 0xFF) * a / 255;
                        dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
                    }
                }
                source.UnlockBits(&in);
            }
        }
    }
    stream->Release();
    return result;
}

// The picture drawn for percent (100 is the file itself).
const Picture* picture(const std::wstring& file, bool hasMask, DWORD mask, int percent)
{
    Shared& s = shared();
    if (!s.started || file.empty()) return nullptr;
    const PictureKey key(file, hasMask, hasMask ? mask : 0, percent);
    std::lock_guard<std::mutex> hold(s.lock);
    const auto found = s.images.find(key);
    if (found != s.images.end()) return found->second.get();
    std::string bytes;
    std::unique_ptr<Picture> decoded;
    const std::wstring name = pictureVariant(file, percent);
    if (percent == 100 ? loadFile(name, bytes) : loadVariant(file, name, bytes)) {
        decoded = decode(bytes, hasMask, mask);
        if (!decoded) SKINUI_TRACE(L"picture %s cannot be decoded", name.c_str());
    }
    // A missing picture is skipped silently: several are named on purpose.
    const Picture* result = decoded.get();
    s.images[key] = std::move(decoded);
    return result;
}

// The picture of the best scale for dpi that exists; its scale in percent.
const Picture* pictureAt(const std::wstring& file, bool hasMask, DWORD mask, int dpi, int& percent)
{
    for (int candidate : pictureScales(dpi)) {
        if (const Picture* found = picture(file, hasMask, mask, candidate)) {
            percent = candidate;
            return found;
        }
    }
    return nullptr;
}

// The part of a picture resized to width x height, kept for repaints.
const Picture* resized(const Picture& source, const RECT& part, int width, int height)
{
    Shared& s = shared();
    const ResizedKey key(&source, part.left, part.top, part.right, part.bottom, width, height);
    std::lock_guard<std::mutex> hold(s.lock);
    const auto found = s.resized.find(key);
    if (found != s.resized.end()) return found->second.get();
    std::unique_ptr<Picture> made(new Picture);
    made->width = width;
    made->height = height;
    made->pixels = resamplePart(source.pixels.data(), source.width, source.height, part, width, height);
    if (made->pixels.empty()) return nullptr;
    if (s.resizedPixels + made->pixels.size() > kResizedBudget) {
        s.resized.clear();
        s.resizedPixels = 0;
    }
    s.resizedPixels += made->pixels.size();
    const Picture* result = made.get();
    s.resized[key] = std::move(made);
    return result;
}

// Counts the painters per DPI; when the last painter leaves a DPI whose
// picture scale no other painter uses, that scale's pictures go.
void painterMoved(int from, int to)
{
    Shared& s = shared();
    std::lock_guard<std::mutex> hold(s.lock);
    if (to > 0) ++s.painters[to];
    if (from <= 0) return;
    if (--s.painters[from] > 0) return;
    s.painters.erase(from);
    if (to <= 0) return; // a painter that ends keeps its pictures for the next window
    const int leaving = pictureScales(from).front();
    for (const auto& entry : s.painters)
        if (pictureScales(entry.first).front() == leaving) return;
    std::set<const Picture*> dropped;
    for (auto it = s.images.begin(); it != s.images.end();) {
        if (std::get<3>(it->first) != leaving) {
            ++it;
            continue;
        }
        dropped.insert(it->second.get());
        it = s.images.erase(it);
    }
    // With the parts resized from them.
    for (auto it = s.resized.begin(); it != s.resized.end();) {
        if (!dropped.count(std::get<0>(it->first))) {
            ++it;
            continue;
        }
        s.resizedPixels -= it->second->pixels.size();
        it = s.resized.erase(it);
    }
}

// A rectangle of a picture written for 100 %, in the pixels of its
// picture at percent.
RECT atPictureScale(const RECT& r, int percent)
{
    auto scale = [percent](LONG v) { return static_cast<LONG>((static_cast<long long>(v) * percent + 50) / 100); };
    return RECT{scale(r.left), scale(r.top), scale(r.right), scale(r.bottom)};
}

bool faceInstalled(const std::wstring& face)
{
    Gdiplus::FontFamily family(face.c_str());
    return family.GetLastStatus() == Gdiplus::Ok && family.IsAvailable();
}

Gdiplus::Color textColor(DWORD color) { return Gdiplus::Color(0xFF000000u | (color & 0xFFFFFF)); }

Gdiplus::Rect toRect(const RECT& r) { return Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

struct Piece {
    std::wstring text;
    const CTextRun* run;
    REAL x;
    REAL width;
};

} // namespace

CSurface::~CSurface() { release(); }

void CSurface::release()
{
    if (dc_) {
        if (previous_) ::SelectObject(dc_, previous_);
        ::DeleteDC(dc_);
    }
    if (bitmap_) ::DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    previous_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool CSurface::resize(int width, int height)
{
    release();
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = ::CreateCompatibleDC(nullptr);
    if (!bitmap_ || !dc_ || !bits) {
        SKINUI_TRACE(L"no %dx%d bitmap: error %lu", width, height, ::GetLastError());
        release();
        return false;
    }
    previous_ = ::SelectObject(dc_, bitmap_);
    bits_ = static_cast<DWORD*>(bits);
    width_ = width;
    height_ = height;
    clear();
    return true;
}

DWORD CSurface::pixel(int x, int y) const
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    ::GdiFlush();
    return bits_[static_cast<std::size_t>(y) * width_ + x];
}

void CSurface::clear(const RECT* rect)
{
    if (!bits_) return;
    ::GdiFlush();
    RECT r = {0, 0, width_, height_};
    if (rect) {
        r.left = std::max<LONG>(rect->left, 0);
        r.top = std::max<LONG>(rect->top, 0);
        r.right = std::min<LONG>(rect->right, width_);
        r.bottom = std::min<LONG>(rect->bottom, height_);
    }
    for (LONG y = r.top; y < r.bottom; ++y)
        std::fill(bits_ + y * width_ + r.left, bits_ + y * width_ + std::max(r.left, r.right), 0u);
}

std::wstring resolveFontFace(const std::wstring& face)
{
    Shared& s = shared();
    if (!s.started) return face;
    std::lock_guard<std::mutex> hold(s.lock);
    const auto known = s.faces.find(face);
    if (known != s.faces.end()) return known->second;
    std::wstring chosen;
    if (!face.empty() && faceInstalled(face)) {
        chosen = face;
    } else {
        // CJK faces first: the texts are Chinese. Latin faces only when no
        // CJK face exists at all.
        static const wchar_t* const kFallbacks[] = {
            L"Microsoft YaHei", L"WenQuanYi Micro Hei", L"\x6587\x6CC9\x9A7F\x5FAE\x7C73\x9ED1", L"SimHei",
            L"SimSun",          L"NSimSun",             L"Noto Sans CJK SC",                       L"Droid Sans Fallback",
            L"Tahoma",          L"Arial",               L"DejaVu Sans"};
        for (const wchar_t* candidate : kFallbacks) {
            if (faceInstalled(candidate)) {
                chosen = candidate;
                break;
            }
        }
    }
    s.faces[face] = chosen;
    return chosen;
}

void preparePictures(const std::vector<CImageDesc>& images, int dpi)
{
    int percent = 100;
    for (const CImageDesc& image : images) pictureAt(image.file, image.hasMask, image.mask, dpi, percent);
}

void clearImageCache()
{
    Shared& s = shared();
    std::lock_guard<std::mutex> hold(s.lock);
    s.images.clear();
    s.resized.clear();
    s.resizedPixels = 0;
}

std::size_t cachedPictureCount(int percent)
{
    Shared& s = shared();
    std::lock_guard<std::mutex> hold(s.lock);
    std::size_t n = 0;
    for (const auto& entry : s.images)
        if (std::get<3>(entry.first) == percent && entry.second) ++n;
    return n;
}

struct CPainter::Impl {
    CSurface& surface;
    std::unique_ptr<Gdiplus::Bitmap> target;
    std::unique_ptr<Gdiplus::Graphics> graphics;
    std::unique_ptr<Gdiplus::StringFormat> format;
    std::map<int, CFontDesc> fonts;
    CFontDesc defaultFont;
    std::map<int, std::unique_ptr<Gdiplus::Font>> made;
    bool hasClip = false;
    RECT clip = {0, 0, 0, 0};
    std::vector<CFontDesc> given;
    int dpi = kLayoutDpi;

    explicit Impl(CSurface& s) : surface(s)
    {
        defaultFont.face = L"\x5FAE\x8F6F\x96C5\x9ED1";
        defaultFont.size = 12;
        if (!shared().started || !surface.bits()) return;
        ::GdiFlush();
        target.reset(new Gdiplus::Bitmap(surface.width(), surface.height(), surface.width() * 4, PixelFormat32bppPARGB,
                                         reinterpret_cast<BYTE*>(surface.bits())));
        graphics.reset(new Gdiplus::Graphics(target.get()));
        graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
        graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeNone);
        graphics->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        format.reset(Gdiplus::StringFormat::GenericTypographic()->Clone());
        format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    }

    bool ready() const { return graphics != nullptr; }

    Gdiplus::Font* fontOf(int id)
    {
        const int key = fonts.count(id) ? id : -1;
        auto found = made.find(key);
        if (found != made.end()) return found->second.get();
        const CFontDesc& desc = key == -1 ? defaultFont : fonts[key];
        INT style = Gdiplus::FontStyleRegular;
        if (desc.bold) style |= Gdiplus::FontStyleBold;
        if (desc.italic) style |= Gdiplus::FontStyleItalic;
        if (desc.underline) style |= Gdiplus::FontStyleUnderline;
        const std::wstring face = resolveFontFace(desc.face);
        // Made at the window's DPI, not stretched from 96.
        const REAL size = scaleFontSize(desc.size > 0 ? desc.size : 12, dpi);
        std::unique_ptr<Gdiplus::Font> font(new Gdiplus::Font(face.c_str(), size, style, Gdiplus::UnitPixel));
        if (font->GetLastStatus() != Gdiplus::Ok)
            font.reset(new Gdiplus::Font(Gdiplus::FontFamily::GenericSansSerif(), size, style, Gdiplus::UnitPixel));
        Gdiplus::Font* result = font.get();
        made[key] = std::move(font);
        return result;
    }

    REAL width(const std::wstring& text, Gdiplus::Font* font)
    {
        if (text.empty()) return 0;
        Gdiplus::RectF box;
        graphics->MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), format.get(),
                                &box);
        return box.Width;
    }

    REAL height(Gdiplus::Font* font) { return font->GetHeight(graphics.get()); }
    // Height of one wrapped paragraph; an empty one is one line.
    int paragraphHeight(const std::wstring& paragraph, REAL width, Gdiplus::Font* font);

    REAL ascent(Gdiplus::Font* font)
    {
        Gdiplus::FontFamily family;
        font->GetFamily(&family);
        const INT style = font->GetStyle();
        const UINT em = family.GetEmHeight(style);
        return em ? font->GetSize() * family.GetCellAscent(style) / em : font->GetSize();
    }

    // src of a picture over dst, premultiplied source-over, inside the
    // surface and the clip: pixel for pixel when the sizes agree, else
    // resized with the average or linear filter (resample.h).
    void drawPart(const Picture& picture, const RECT& dst, const RECT& src)
    {
        if (isEmpty(dst) || isEmpty(src)) return;
        RECT visible = {0, 0, surface.width(), surface.height()};
        if (hasClip) ::IntersectRect(&visible, &visible, &clip);
        RECT target;
        if (!::IntersectRect(&target, &visible, &dst)) return;
        const LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        if (dw == src.right - src.left && dh == src.bottom - src.top) {
            blend(&picture.pixels[static_cast<std::size_t>(src.top) * picture.width + src.left], picture.width, dst,
                  target);
            return;
        }
        // Flat parts (bodies, button middles) need no filter.
        if (uniformPart(picture.pixels.data(), picture.width, src)) {
            const DWORD p = picture.pixels[static_cast<std::size_t>(src.top) * picture.width + src.left];
            blend(&p, 0, dst, target, true);
            return;
        }
        if (const Picture* scaled = resized(picture, src, dw, dh)) blend(scaled->pixels.data(), scaled->width, dst, target);
    }

    // pixels (stride per row) laid at dst's corner, drawn inside target;
    // one repeated pixel when single.
    void blend(const DWORD* pixels, int stride, const RECT& dst, const RECT& target, bool single = false)
    {
        ::GdiFlush();
        DWORD* bits = surface.bits();
        for (LONG y = target.top; y < target.bottom; ++y) {
            DWORD* out = bits + static_cast<std::size_t>(y) * surface.width();
            if (single) {
                const DWORD p = *pixels;
                if (p >> 24 == 255) std::fill(out + target.left, out + target.right, p);
                else if (p >> 24 != 0)
                    for (LONG x = target.left; x < target.right; ++x) out[x] = out[x] ? over(p, out[x]) : p;
                continue;
            }
            const DWORD* row = pixels + static_cast<std::size_t>(y - dst.top) * stride;
            for (LONG x = target.left; x < target.right; ++x) {
                const DWORD p = row[x - dst.left];
                const DWORD a = p >> 24;
                // Opaque, or over nothing yet (the shadow on the cleared
                // bitmap): a copy.
                if (a == 255 || out[x] == 0) out[x] = p;
                else if (a != 0) out[x] = over(p, out[x]);
            }
        }
    }

    // Premultiplied p over q: p + q * (255 - alpha of p) / 255, two
    // channels at a time, rounded. Valid premultiplied pixels cannot carry
    // from one channel into the next.
    static DWORD over(DWORD p, DWORD q)
    {
        const DWORD keep = 255 - (p >> 24);
        DWORD rb = (q & 0x00FF00FF) * keep + 0x00800080;
        rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        DWORD ag = ((q >> 8) & 0x00FF00FF) * keep + 0x00800080;
        ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
        return p + (rb | ag);
    }
};

CPainter::CPainter(CSurface& surface, int dpi) : impl_(new Impl(surface))
{
    impl_->dpi = clampDpi(dpi);
    painterMoved(0, impl_->dpi);
}

CPainter::~CPainter()
{
    painterMoved(impl_->dpi, 0);
    impl_->graphics.reset();
    impl_->target.reset();
    ::GdiFlush();
}

namespace {

bool sameFont(const CFontDesc& a, const CFontDesc& b)
{
    return a.id == b.id && a.face == b.face && a.size == b.size && a.bold == b.bold && a.underline == b.underline &&
           a.italic == b.italic && a.isDefault == b.isDefault;
}

} // namespace

void CPainter::setFonts(const std::vector<CFontDesc>& fonts)
{
    // Each paint passes the window's fonts; made fonts are kept while the
    // set stays the same.
    if (fonts.size() == impl_->given.size() && std::equal(fonts.begin(), fonts.end(), impl_->given.begin(), sameFont))
        return;
    impl_->given = fonts;
    impl_->fonts.clear();
    impl_->made.clear();
    bool haveDefault = false;
    for (const CFontDesc& font : fonts) {
        impl_->fonts[font.id] = font;
        if (font.isDefault && !haveDefault) {
            impl_->defaultFont = font;
            haveDefault = true;
        }
    }
    if (!haveDefault && impl_->fonts.count(0)) impl_->defaultFont = impl_->fonts[0];
}

void CPainter::setDpi(int dpi)
{
    dpi = clampDpi(dpi);
    if (dpi == impl_->dpi) return;
    painterMoved(impl_->dpi, dpi);
    impl_->dpi = dpi;
    impl_->made.clear();
}

int CPainter::dpi() const { return impl_->dpi; }

const CFontDesc& CPainter::font(int id) const
{
    const auto found = impl_->fonts.find(id);
    return found == impl_->fonts.end() ? impl_->defaultFont : found->second;
}

void CPainter::setClip(const RECT* rect)
{
    if (!impl_->ready()) return;
    impl_->hasClip = rect != nullptr;
    if (rect) impl_->clip = *rect;
    if (rect) impl_->graphics->SetClip(toRect(*rect));
    else impl_->graphics->ResetClip();
}

void CPainter::fillRect(const RECT& rect, DWORD color)
{
    if (!impl_->ready() || (color >> 24) == 0 || isEmpty(rect)) return;
    // Straight into the pixels: a library fill costs as much as the rest
    // of a paint, and four times that at 200 %.
    RECT target = {0, 0, impl_->surface.width(), impl_->surface.height()};
    if (impl_->hasClip) ::IntersectRect(&target, &target, &impl_->clip);
    if (!::IntersectRect(&target, &target, &rect)) return;
    const DWORD a = color >> 24;
    const DWORD premultiplied = (a << 24) | ((((color >> 16) & 0xFF) * a / 255) << 16) |
                                ((((color >> 8) & 0xFF) * a / 255) << 8) | ((color & 0xFF) * a / 255);
    impl_->blend(&premultiplied, 0, rect, target, true);
}

void CPainter::drawFocusRing(const RECT& rect, int lineWidth)
{
    if (!impl_->ready() || isEmpty(rect) || lineWidth <= 0) return;
    const int inner = std::max(lineWidth / 2, 1);
    // Frames as four bands each, so nothing inside is touched.
    auto frame = [this](const RECT& r, int width, DWORD color) {
        if (r.right - r.left <= 2 * width || r.bottom - r.top <= 2 * width) return;
        fillRect(RECT{r.left, r.top, r.right, r.top + width}, color);
        fillRect(RECT{r.left, r.bottom - width, r.right, r.bottom}, color);
        fillRect(RECT{r.left, r.top + width, r.left + width, r.bottom - width}, color);
        fillRect(RECT{r.right - width, r.top + width, r.right, r.bottom - width}, color);
    };
    frame(rect, lineWidth, 0xFF1B1B1B);
    frame(RECT{rect.left + lineWidth, rect.top + lineWidth, rect.right - lineWidth, rect.bottom - lineWidth}, inner,
          0xFFFFFFFF);
}

bool CPainter::drawImage(const CImageDesc& image, const RECT& control)
{
    if (!impl_->ready()) return false;
    int percent = 100;
    const Picture* bitmap = pictureAt(image.file, image.hasMask, image.mask, impl_->dpi, percent);
    if (!bitmap) return false;
    const LONG bw = bitmap->width;
    const LONG bh = bitmap->height;
    // Source cells are written for the 100 % picture.
    RECT src = image.hasSource ? atPictureScale(image.source, percent) : RECT{0, 0, bw, bh};
    src.left = std::max<LONG>(src.left, 0);
    src.top = std::max<LONG>(src.top, 0);
    src.right = std::min(src.right, bw);
    src.bottom = std::min(src.bottom, bh);
    RECT dst = control;
    if (image.hasDest) {
        const RECT d = scaleRect(image.dest, impl_->dpi);
        dst = RECT{control.left + d.left, control.top + d.top, control.left + d.right, control.top + d.bottom};
        dst.right = std::min(dst.right, control.right);
        dst.bottom = std::min(dst.bottom, control.bottom);
    }
    if (isEmpty(src) || isEmpty(dst)) return true;

    // Nine-grid: corners keep their size (scaled with the window), edges
    // stretch one way, the middle both; borders larger than either
    // rectangle, or negative, give a plain stretch.
    const RECT sc = atPictureScale(image.corner, percent);
    const RECT dc = scaleRect(image.corner, impl_->dpi);
    const LONG sw = src.right - src.left, sh = src.bottom - src.top;
    const LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    const bool none = image.corner.left == 0 && image.corner.top == 0 && image.corner.right == 0 && image.corner.bottom == 0;
    if (none || sc.left + sc.right > sw || sc.top + sc.bottom > sh || dc.left + dc.right > dw ||
        dc.top + dc.bottom > dh || image.corner.left < 0 || image.corner.top < 0 || image.corner.right < 0 ||
        image.corner.bottom < 0) {
        impl_->drawPart(*bitmap, dst, src);
        return true;
    }
    const LONG sx[4] = {src.left, src.left + sc.left, src.right - sc.right, src.right};
    const LONG sy[4] = {src.top, src.top + sc.top, src.bottom - sc.bottom, src.bottom};
    const LONG dx[4] = {dst.left, dst.left + dc.left, dst.right - dc.right, dst.right};
    const LONG dy[4] = {dst.top, dst.top + dc.top, dst.bottom - dc.bottom, dst.bottom};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            impl_->drawPart(*bitmap, RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]},
                            RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]});
    return true;
}

void CPainter::drawText(const std::wstring& text, const RECT& rect, int font, DWORD color, UINT style, const RECT* clip)
{
    if (text.empty()) return;
    CTextRun run;
    run.text = text;
    drawMarkup(std::vector<CTextRun>{run}, rect, font, color, style, clip);
}

void CPainter::drawMarkup(const std::vector<CTextRun>& runs, const RECT& rect, int fontId, DWORD color, UINT style,
                          const RECT* clip)
{
    if (!impl_->ready() || isEmpty(rect) || runs.empty()) return;
    Gdiplus::Font* font = impl_->fontOf(fontId);
    const REAL limit = static_cast<REAL>(rect.right - rect.left);
    const bool wrap = (style & DT_WORDBREAK) != 0 && (style & DT_SINGLELINE) == 0;
    const bool single = (style & DT_SINGLELINE) != 0;

    // Lines of pieces, each piece one run's text on one line.
    std::vector<std::vector<Piece>> lines(1);
    REAL x = 0;
    for (const CTextRun& run : runs) {
        std::wstring rest = run.text;
        while (!rest.empty()) {
            std::size_t take = rest.size();
            const std::size_t newline = rest.find(L'\n');
            if (newline != std::wstring::npos) take = newline;
            std::wstring part = rest.substr(0, take);
            if (!part.empty() && part.back() == L'\r') part.pop_back();
            REAL w = impl_->width(part, font);
            if (wrap && x + w > limit && !part.empty()) {
                // The longest head that fits, broken after a blank if any.
                std::size_t lo = 0, hi = part.size();
                while (lo < hi) {
                    const std::size_t mid = (lo + hi + 1) / 2;
                    if (x + impl_->width(part.substr(0, mid), font) <= limit) lo = mid;
                    else hi = mid - 1;
                }
                std::size_t fit = lo;
                const std::size_t blank = part.find_last_of(L' ', fit ? fit - 1 : 0);
                if (fit > 0 && fit < part.size() && blank != std::wstring::npos && blank + 1 < fit) fit = blank + 1;
                if (fit == 0 && x == 0) fit = 1; // one character per line at worst
                if (fit == 0) {
                    lines.emplace_back();
                    x = 0;
                    continue;
                }
                const std::wstring head = part.substr(0, fit);
                const REAL hw = impl_->width(head, font);
                lines.back().push_back(Piece{head, &run, x, hw});
                lines.emplace_back();
                x = 0;
                rest.erase(0, fit);
                continue;
            }
            if (!part.empty()) lines.back().push_back(Piece{part, &run, x, w});
            x += w;
            rest.erase(0, take);
            if (newline != std::wstring::npos) {
                rest.erase(0, 1);
                if (!single) {
                    lines.emplace_back();
                    x = 0;
                }
            }
        }
    }

    const REAL lineHeight = impl_->height(font);
    const REAL total = lineHeight * static_cast<REAL>(lines.size());
    REAL top = static_cast<REAL>(rect.top);
    const REAL boxHeight = static_cast<REAL>(rect.bottom - rect.top);
    // Text taller than its box starts at the top, so its beginning is read.
    if (total <= boxHeight || single) {
        if (style & DT_BOTTOM) top += boxHeight - total;
        else if (style & DT_VCENTER) top += (boxHeight - total) / 2;
    }
    const REAL ascent = impl_->ascent(font);

    Gdiplus::GraphicsState saved = impl_->graphics->Save();
    impl_->graphics->SetClip(toRect(clip ? *clip : rect), Gdiplus::CombineModeIntersect);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<Piece>& line = lines[i];
        if (line.empty()) continue;
        const REAL lineWidth = line.back().x + line.back().width;
        REAL left = static_cast<REAL>(rect.left);
        if (style & DT_RIGHT) left += limit - lineWidth;
        else if (style & DT_CENTER) left += (limit - lineWidth) / 2;
        const REAL y = top + lineHeight * static_cast<REAL>(i);
        for (const Piece& piece : line) {
            const DWORD c = piece.run->hasColor ? piece.run->color : color;
            Gdiplus::SolidBrush brush{textColor(c)};
            impl_->graphics->DrawString(piece.text.c_str(), static_cast<INT>(piece.text.size()), font,
                                        Gdiplus::PointF(left + piece.x, y), impl_->format.get(), &brush);
            if (piece.run->underline) {
                Gdiplus::SolidBrush under{
                    textColor(piece.run->hasUnderlineColor ? piece.run->underlineColor : c)};
                const REAL line = static_cast<REAL>(std::max(scaleValue(1, impl_->dpi), 1));
                impl_->graphics->FillRectangle(&under, left + piece.x, y + ascent + line, piece.width, line);
            }
        }
    }
    impl_->graphics->Restore(saved);
}

namespace {

// CR LF and lone CR end lines as LF does; a drawn CR would show as a box.
std::wstring plainLines(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r') out += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != L'\n') out += L'\n';
    }
    return out;
}

} // namespace

namespace {

// The lines of a text without their ends; an empty text has none.
std::vector<std::wstring> paragraphsOf(const std::wstring& text)
{
    std::vector<std::wstring> paragraphs;
    if (text.empty()) return paragraphs;
    std::size_t at = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', at)) {
        paragraphs.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    paragraphs.push_back(text.substr(at));
    return paragraphs;
}

} // namespace

// Paragraph by paragraph: GDI+ under Wine stops measuring a long text after
// a few hundred pixels, and drawing only the paragraphs in view keeps the
// scrolling of a long text quick.
int CPainter::Impl::paragraphHeight(const std::wstring& paragraph, REAL width, Gdiplus::Font* font)
{
    if (paragraph.empty()) return static_cast<int>(height(font) + 0.999f);
    Gdiplus::RectF box;
    Gdiplus::StringFormat wrapping;
    graphics->MeasureString(paragraph.c_str(), static_cast<INT>(paragraph.size()), font,
                            Gdiplus::RectF(0, 0, width, 1e6f), &wrapping, &box);
    return static_cast<int>(box.Height + 0.999f);
}

int CPainter::measureWrapped(const std::wstring& given, int width, int fontId)
{
    if (!impl_->ready() || width <= 0) return 0;
    Gdiplus::Font* font = impl_->fontOf(fontId);
    int total = 0;
    for (const std::wstring& paragraph : paragraphsOf(plainLines(given)))
        total += impl_->paragraphHeight(paragraph, static_cast<REAL>(width), font);
    return total;
}

int CPainter::drawWrapped(const std::wstring& given, const RECT& rect, int fontId, DWORD color, int scrollY)
{
    if (!impl_->ready() || isEmpty(rect)) return 0;
    const REAL width = static_cast<REAL>(rect.right - rect.left);
    Gdiplus::Font* font = impl_->fontOf(fontId);
    Gdiplus::StringFormat wrapping;
    Gdiplus::SolidBrush brush{textColor(color)};
    Gdiplus::GraphicsState saved = impl_->graphics->Save();
    impl_->graphics->SetClip(toRect(rect), Gdiplus::CombineModeIntersect);
    int y = rect.top - scrollY;
    int total = 0;
    for (const std::wstring& paragraph : paragraphsOf(plainLines(given))) {
        const int h = impl_->paragraphHeight(paragraph, width, font);
        if (!paragraph.empty() && y + h > rect.top && y < rect.bottom)
            impl_->graphics->DrawString(paragraph.c_str(), static_cast<INT>(paragraph.size()), font,
                                        Gdiplus::RectF(static_cast<REAL>(rect.left), static_cast<REAL>(y), width,
                                                       static_cast<REAL>(h + 1)),
                                        &wrapping, &brush);
        y += h;
        total += h;
    }
    impl_->graphics->Restore(saved);
    return total;
}

int CPainter::textWidth(const std::wstring& text, std::size_t count, int fontId)
{
    if (!impl_->ready()) return 0;
    const std::wstring head = text.substr(0, std::min(count, text.size()));
    return static_cast<int>(impl_->width(head, impl_->fontOf(fontId)) + 0.5f);
}

int CPainter::lineHeight(int fontId)
{
    if (!impl_->ready()) return 0;
    return static_cast<int>(impl_->height(impl_->fontOf(fontId)) + 0.5f);
}

} // namespace SkinUI
