#include "skinui/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace SkinUI {

namespace {

const std::uint32_t kOne = 1u << 16;

struct Tap {
    int index;
    std::uint32_t weight; // of kOne
};

// The source taps of each output position along one axis; the weights of
// each position add up to exactly kOne.
std::vector<std::vector<Tap>> tapsOf(int inLength, int outLength)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(outLength));
    const double ratio = static_cast<double>(inLength) / outLength;
    for (int o = 0; o < outLength; ++o) {
        std::vector<double> share;
        std::vector<int> index;
        if (inLength == outLength) {
            index.push_back(o);
            share.push_back(1.0);
        } else if (inLength > outLength) {
            // Shrinking: each covered source pixel by how much it is covered.
            const double a = o * ratio, b = (o + 1) * ratio;
            for (int i = static_cast<int>(a); i < inLength && i < b; ++i) {
                const double covered = std::min<double>(b, i + 1) - std::max<double>(a, i);
                if (covered <= 0) continue;
                index.push_back(i);
                share.push_back(covered / (b - a));
            }
        } else {
            // Growing: between the two nearest pixel centres, clamped at
            // the part's edges.
            double c = (o + 0.5) * ratio - 0.5;
            c = std::min<double>(std::max(c, 0.0), inLength - 1);
            const int i0 = static_cast<int>(std::floor(c));
            const int i1 = std::min(i0 + 1, inLength - 1);
            index.push_back(i0);
            share.push_back(1.0 - (c - i0));
            if (i1 != i0) {
                index.push_back(i1);
                share.push_back(c - i0);
            }
        }
        std::uint32_t given = 0;
        std::size_t largest = 0;
        for (std::size_t k = 0; k < index.size(); ++k) {
            const std::uint32_t w = static_cast<std::uint32_t>(share[k] * kOne + 0.5);
            taps[o].push_back(Tap{index[k], w});
            given += w;
            if (w > taps[o][largest].weight) largest = k;
        }
        // The rounding rest goes to the largest tap.
        taps[o][largest].weight += kOne - given;
    }
    return taps;
}

} // namespace

bool uniformPart(const DWORD* pixels, int width, const RECT& part)
{
    if (part.right <= part.left || part.bottom <= part.top) return true;
    const DWORD first = pixels[static_cast<std::size_t>(part.top) * width + part.left];
    for (LONG y = part.top; y < part.bottom; ++y) {
        const DWORD* row = pixels + static_cast<std::size_t>(y) * width;
        for (LONG x = part.left; x < part.right; ++x)
            if (row[x] != first) return false;
    }
    return true;
}

std::vector<DWORD> resamplePart(const DWORD* pixels, int width, int height, RECT part, int outWidth, int outHeight)
{
    part.left = std::max<LONG>(part.left, 0);
    part.top = std::max<LONG>(part.top, 0);
    part.right = std::min<LONG>(part.right, width);
    part.bottom = std::min<LONG>(part.bottom, height);
    const int inWidth = part.right - part.left;
    const int inHeight = part.bottom - part.top;
    if (inWidth <= 0 || inHeight <= 0 || outWidth <= 0 || outHeight <= 0) return std::vector<DWORD>();
    const auto across = tapsOf(inWidth, outWidth);
    const auto down = tapsOf(inHeight, outHeight);

    // Across first, each channel kept with 8 more bits for the second pass.
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(outWidth) * inHeight * 4);
    for (int y = 0; y < inHeight; ++y) {
        const DWORD* in = pixels + static_cast<std::size_t>(part.top + y) * width + part.left;
        std::uint32_t* out = &rows[static_cast<std::size_t>(y) * outWidth * 4];
        for (int x = 0; x < outWidth; ++x) {
            std::uint64_t sum[4] = {0, 0, 0, 0};
            for (const Tap& tap : across[x]) {
                const DWORD p = in[tap.index];
                for (int c = 0; c < 4; ++c) sum[c] += static_cast<std::uint64_t>((p >> (8 * c)) & 0xFF) * tap.weight;
            }
            for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<std::uint32_t>((sum[c] + (kOne >> 9)) >> 8);
        }
    }
    std::vector<DWORD> result(static_cast<std::size_t>(outWidth) * outHeight);
    for (int y = 0; y < outHeight; ++y) {
        DWORD* out = &result[static_cast<std::size_t>(y) * outWidth];
        for (int x = 0; x < outWidth; ++x) {
            std::uint64_t sum[4] = {0, 0, 0, 0};
            for (const Tap& tap : down[y]) {
                const std::uint32_t* p = &rows[(static_cast<std::size_t>(tap.index) * outWidth + x) * 4];
                for (int c = 0; c < 4; ++c) sum[c] += static_cast<std::uint64_t>(p[c]) * tap.weight;
            }
            DWORD channel[4];
            for (int c = 0; c < 4; ++c)
                channel[c] = static_cast<DWORD>(std::min<std::uint64_t>((sum[c] + (1ull << 23)) >> 24, 255));
            // Premultiplied: no colour above its alpha after rounding.
            for (int c = 0; c < 3; ++c) channel[c] = std::min(channel[c], channel[3]);
            out[x] = channel[0] | (channel[1] << 8) | (channel[2] << 16) | (channel[3] << 24);
        }
    }
    return result;
}

} // namespace SkinUI
