// Writes the tunnel's banner image, "greets/greets.png": 512 x 512 pixels in eight bands of
// 512 x 64, band i from row 64 i down, each a line of greeting text in white capitals on a faint
// dark plate with a thin frame, so the banner reads as a sign standing in the tunnel. The letters
// come from a small 5 x 7 pixel font of our own, drawn 4 pixels wide and 5 high per font pixel,
// with a soft edge. The tunnel shows the last four bands half a turn about the curve compared with
// the first four, so those four are drawn turned half a turn here and all eight read upright.
//
// Usage: gen_greets OUTPUT.png

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int Width = 512;
const int BandHeight = 64;
const int Bands = 8;
const int Height = BandHeight * Bands;
const int ScaleX = 4, ScaleY = 5;         // pixels per font pixel
const int GlyphWidth = 5, GlyphHeight = 7; // font pixels
const int Advance = (GlyphWidth + 1) * ScaleX;

const char* const kLines[Bands] = {
    "HALCYRA GREETS",   "THE NIGHT OWLS",  "THE SCANLINE CREW", "ALL TRACKER FOLK",
    "THE QUIET CODERS", "PARTY ORGANISERS", "PIXEL PUSHERS",     "AND YOU, WATCHING",
};

struct Glyph {
    char code;
    const char* rows[GlyphHeight]; // '#' is ink
};

const Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {',', {".....", ".....", ".....", ".....", ".....", "..#..", ".#..."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

const Glyph* glyphOf(char c) {
    for (const Glyph& g : kFont)
        if (g.code == c) return &g;
    return nullptr;
}

struct Rgba {
    float r, g, b, a;
};

class Picture {
public:
    Picture() : mPixels(static_cast<size_t>(Width) * Height, Rgba{0, 0, 0, 0}) {}
    Rgba& at(int x, int y) { return mPixels[static_cast<size_t>(y) * Width + x]; }
    std::vector<Rgba>& pixels() { return mPixels; }

private:
    std::vector<Rgba> mPixels;
};

// Ink coverage of a line of text in a band-sized mask, centred, 1 inside the font pixels.
std::vector<float> textMask(const std::string& text) {
    std::vector<float> mask(static_cast<size_t>(Width) * BandHeight, 0.0f);
    const int textWidth = static_cast<int>(text.size()) * Advance - ScaleX;
    const int left = (Width - textWidth) / 2;
    const int top = (BandHeight - GlyphHeight * ScaleY) / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = glyphOf(text[i]);
        if (glyph == nullptr) {
            std::fprintf(stderr, "gen_greets: no glyph for '%c'\n", text[i]);
            continue;
        }
        for (int row = 0; row < GlyphHeight; ++row)
            for (int column = 0; column < GlyphWidth; ++column) {
                if (glyph->rows[row][column] != '#') continue;
                const int x0 = left + static_cast<int>(i) * Advance + column * ScaleX, y0 = top + row * ScaleY;
                for (int y = y0; y < y0 + ScaleY; ++y)
                    for (int x = x0; x < x0 + ScaleX; ++x) mask[static_cast<size_t>(y) * Width + x] = 1.0f;
            }
    }
    return mask;
}

// The mask spread by a small box blur, for the letters' soft halo.
std::vector<float> halo(const std::vector<float>& mask, int radius) {
    std::vector<float> out(mask.size(), 0.0f);
    const float area = static_cast<float>((2 * radius + 1) * (2 * radius + 1));
    for (int y = 0; y < BandHeight; ++y)
        for (int x = 0; x < Width; ++x) {
            float sum = 0.0f;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx >= 0 && sx < Width && sy >= 0 && sy < BandHeight) sum += mask[static_cast<size_t>(sy) * Width + sx];
                }
            out[static_cast<size_t>(y) * Width + x] = sum / area;
        }
    return out;
}

void drawBand(Picture& picture, int band) {
    const std::vector<float> ink = textMask(kLines[band]);
    const std::vector<float> glow = halo(ink, 3);
    const bool turned = band >= Bands / 2;
    for (int y = 0; y < BandHeight; ++y)
        for (int x = 0; x < Width; ++x) {
            // The plate: dark blue, a little see-through, with a lighter frame two pixels in.
            const bool frame = (x >= 2 && x < Width - 2 && (y == 2 || y == BandHeight - 3)) ||
                               (y >= 2 && y < BandHeight - 2 && (x == 2 || x == Width - 3));
            Rgba p = frame ? Rgba{0.55f, 0.65f, 0.85f, 0.8f} : Rgba{0.04f, 0.06f, 0.14f, 0.45f};
            if (x < 1 || x >= Width - 1 || y < 1 || y >= BandHeight - 1) p = Rgba{0, 0, 0, 0};
            const size_t i = static_cast<size_t>(y) * Width + x;
            // Halo, warm, then the white letters over it.
            const float h = std::min(1.0f, glow[i] * 1.6f) * 0.7f;
            p = Rgba{p.r + (1.0f - p.r) * h * 0.9f, p.g + (0.8f - p.g) * h, p.b + (0.5f - p.b) * h,
                     p.a + (1.0f - p.a) * h};
            if (ink[i] > 0.0f) p = Rgba{1.0f, 1.0f, 1.0f, 1.0f};
            const int px = turned ? Width - 1 - x : x;
            const int py = band * BandHeight + (turned ? BandHeight - 1 - y : y);
            picture.at(px, py) = p;
        }
}

bool writePng(const char* fileName, Picture& picture) {
    FILE* file = std::fopen(fileName, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "gen_greets: cannot write '%s'\n", fileName);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<unsigned char> row(static_cast<size_t>(Width) * 4);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "gen_greets: cannot encode '%s'\n", fileName);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    auto byte = [](float v) { return static_cast<unsigned char>(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255.0f)); };
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const Rgba& p = picture.at(x, y);
            unsigned char* out = &row[static_cast<size_t>(x) * 4];
            out[0] = byte(p.r);
            out[1] = byte(p.g);
            out[2] = byte(p.b);
            out[3] = byte(p.a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    const bool ok = std::fclose(file) == 0;
    if (!ok) std::fprintf(stderr, "gen_greets: cannot write '%s'\n", fileName);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_greets OUTPUT.png\n");
        return 2;
    }
    Picture picture;
    for (int band = 0; band < Bands; ++band) drawBand(picture, band);
    return writePng(argv[1], picture) ? 0 : 1;
}
