// Writes the GUI's glyph image: 256 cells of 16 x 16 pixels in a 16 x 16 grid, glyph code c in
// column c % 16 and row c / 16 from the top. The glyphs are a small proportional pixel font of our
// own, white ink on black (the font reads coverage from the red channel). Each glyph starts at the
// cell's left edge plus one pixel, so its advance is measured from its rightmost ink column.
//
// Usage: gen_font OUTPUT.png

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int Cell = 16;
const int Size = Cell * 16;
// Glyph rows: 0..6 hold capitals and digits (the baseline is under row 6), 2..6 the lower-case
// x-height, 7..8 descenders. The box sits in the cell so that the capitals are centred on it.
const int TopOffset = 4;
const int LeftOffset = 1;

struct Glyph {
    char code;
    const char* rows; // rows separated by '|', '#' is ink; every row as wide as the glyph
};

const Glyph glyphs[] = {
    {'!', "#|#|#|#|#|.|#"},
    {'"', "#.#|#.#"},
    {'#', ".#.#.|#####|.#.#.|.#.#.|#####|.#.#."},
    {'$', ".###.|#.#..|.###.|..#.#|.###.|..#..|"},
    {'%', "##..#|##.#.|..#..|.#...|#..##|...##"},
    {'&', ".##..|#..#.|.##..|#..#.|#...#|.###."},
    {'\'', "#|#"},
    {'(', ".#|#.|#.|#.|#.|#.|.#"},
    {')', "#.|.#|.#|.#|.#|.#|#."},
    {'*', "|#.#.#|.###.|#####|.###.|#.#.#"},
    {'+', "|..#..|..#..|#####|..#..|..#.."},
    {',', ".|.|.|.|.|#|#|#"},
    {'-', "....|....|....|####"},
    {'.', ".|.|.|.|.|.|#"},
    {'/', "....#|...#.|...#.|..#..|.#...|.#...|#...."},
    {'0', ".###.|#...#|#..##|#.#.#|##..#|#...#|.###."},
    {'1', ".#.|##.|.#.|.#.|.#.|.#.|###"},
    {'2', ".###.|#...#|....#|..##.|.#...|#....|#####"},
    {'3', ".###.|#...#|....#|..##.|....#|#...#|.###."},
    {'4', "...#.|..##.|.#.#.|#..#.|#####|...#.|...#."},
    {'5', "#####|#....|####.|....#|....#|#...#|.###."},
    {'6', "..##.|.#...|#....|####.|#...#|#...#|.###."},
    {'7', "#####|....#|...#.|..#..|.#...|.#...|.#..."},
    {'8', ".###.|#...#|#...#|.###.|#...#|#...#|.###."},
    {'9', ".###.|#...#|#...#|.####|....#|...#.|.##.."},
    {':', ".|.|#|.|.|.|#"},
    {';', ".|.|#|.|.|.|#|#"},
    {'<', "...#|..#.|.#..|#...|.#..|..#.|...#"},
    {'=', "|....|####|....|####"},
    {'>', "#...|.#..|..#.|...#|..#.|.#..|#..."},
    {'?', ".###.|#...#|....#|...#.|..#..|.....|..#.."},
    {'@', ".####.|#....#|#.##.#|#.#.##|#.####|#.....|.####."},
    {'A', "..#..|.#.#.|#...#|#...#|#####|#...#|#...#"},
    {'B', "####.|#...#|#...#|####.|#...#|#...#|####."},
    {'C', ".###.|#...#|#....|#....|#....|#...#|.###."},
    {'D', "####.|#...#|#...#|#...#|#...#|#...#|####."},
    {'E', "#####|#....|#....|####.|#....|#....|#####"},
    {'F', "#####|#....|#....|####.|#....|#....|#...."},
    {'G', ".###.|#...#|#....|#.###|#...#|#...#|.####"},
    {'H', "#...#|#...#|#...#|#####|#...#|#...#|#...#"},
    {'I', "###|.#.|.#.|.#.|.#.|.#.|###"},
    {'J', "..###|...#.|...#.|...#.|...#.|#..#.|.##.."},
    {'K', "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#"},
    {'L', "#....|#....|#....|#....|#....|#....|#####"},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#"},
    {'N', "#...#|##..#|#.#.#|#..##|#...#|#...#|#...#"},
    {'O', ".###.|#...#|#...#|#...#|#...#|#...#|.###."},
    {'P', "####.|#...#|#...#|####.|#....|#....|#...."},
    {'Q', ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#"},
    {'R', "####.|#...#|#...#|####.|#.#..|#..#.|#...#"},
    {'S', ".###.|#...#|#....|.###.|....#|#...#|.###."},
    {'T', "#####|..#..|..#..|..#..|..#..|..#..|..#.."},
    {'U', "#...#|#...#|#...#|#...#|#...#|#...#|.###."},
    {'V', "#...#|#...#|#...#|#...#|#...#|.#.#.|..#.."},
    {'W', "#...#|#...#|#...#|#.#.#|#.#.#|#.#.#|.#.#."},
    {'X', "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#"},
    {'Y', "#...#|#...#|.#.#.|..#..|..#..|..#..|..#.."},
    {'Z', "#####|....#|...#.|..#..|.#...|#....|#####"},
    {'[', "##|#.|#.|#.|#.|#.|##"},
    {'\\', "#....|.#...|.#...|..#..|...#.|...#.|....#"},
    {']', "##|.#|.#|.#|.#|.#|##"},
    {'^', "..#..|.#.#.|#...#"},
    {'_', ".....|.....|.....|.....|.....|.....|.....|#####"},
    {'`', "#.|.#"},
    {'a', "....|....|.###|....#|.####|#...#|.####"},
    {'b', "#....|#....|####.|#...#|#...#|#...#|####."},
    {'c', "....|....|.###|#...|#...|#...|.###"},
    {'d', "....#|....#|.####|#...#|#...#|#...#|.####"},
    {'e', ".....|.....|.###.|#...#|#####|#....|.###."},
    {'f', "..##|.#..|####|.#..|.#..|.#..|.#.."},
    {'g', ".....|.....|.####|#...#|#...#|.####|....#|#...#|.###."},
    {'h', "#....|#....|####.|#...#|#...#|#...#|#...#"},
    {'i', "#|.|#|#|#|#|#"},
    {'j', "..#|...|..#|..#|..#|..#|..#|#.#|.#."},
    {'k', "#...|#...|#..#|#.#.|##..|#.#.|#..#"},
    {'l', "#.|#.|#.|#.|#.|#.|.#"},
    {'m', ".......|.......|###.##.|#..#..#|#..#..#|#..#..#|#..#..#"},
    {'n', ".....|.....|####.|#...#|#...#|#...#|#...#"},
    {'o', ".....|.....|.###.|#...#|#...#|#...#|.###."},
    {'p', ".....|.....|####.|#...#|#...#|#...#|####.|#....|#...."},
    {'q', ".....|.....|.####|#...#|#...#|#...#|.####|....#|....#"},
    {'r', "....|....|#.##|##..|#...|#...|#..."},
    {'s', "....|....|.###|#...|.##.|...#|###."},
    {'t', ".#..|.#..|####|.#..|.#..|.#..|..##"},
    {'u', ".....|.....|#...#|#...#|#...#|#...#|.####"},
    {'v', ".....|.....|#...#|#...#|#...#|.#.#.|..#.."},
    {'w', ".......|.......|#..#..#|#..#..#|#..#..#|#..#..#|.##.##."},
    {'x', ".....|.....|#...#|.#.#.|..#..|.#.#.|#...#"},
    {'y', ".....|.....|#...#|#...#|#...#|.####|....#|#...#|.###."},
    {'z', ".....|.....|#####|...#.|..#..|.#...|#####"},
    {'{', "..#|.#.|.#.|#..|.#.|.#.|..#"},
    {'|', "#|#|#|#|#|#|#|#"},
    {'}', "#..|.#.|.#.|..#|.#.|.#.|#.."},
    {'~', "|||.#..#|#.##."},
};

// A hollow box for the bytes above 126 (such as parts of UTF-8 text), so that they show instead of
// vanishing. Control codes stay empty.
const char* const missing = "####|#..#|#..#|#..#|#..#|#..#|####";

void drawGlyph(std::vector<unsigned char>& image, int code, const char* rows) {
    int cellX = (code % 16) * Cell + LeftOffset;
    int cellY = (code / 16) * Cell + TopOffset;
    int row = 0, col = 0;
    for (const char* p = rows; *p; ++p) {
        if (*p == '|') {
            ++row;
            col = 0;
            continue;
        }
        if (*p == '#' && col < Cell - LeftOffset && row < Cell - TopOffset)
            image[static_cast<size_t>(cellY + row) * Size + cellX + col] = 255;
        ++col;
    }
}

bool writePng(const char* path, const std::vector<unsigned char>& gray) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "gen_font: cannot open '%s' for writing\n", path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(file);
        std::fprintf(stderr, "gen_font: could not encode '%s'\n", path);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, Size, Size, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(Size * 3);
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x)
            row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = gray[static_cast<size_t>(y) * Size + x];
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    bool ok = std::fclose(file) == 0;
    if (!ok)
        std::fprintf(stderr, "gen_font: could not finish writing '%s'\n", path);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_font OUTPUT.png\n");
        return 2;
    }
    std::vector<unsigned char> image(static_cast<size_t>(Size) * Size, 0);
    bool defined[256] = {};
    for (const Glyph& g : glyphs) {
        drawGlyph(image, static_cast<unsigned char>(g.code), g.rows);
        defined[static_cast<unsigned char>(g.code)] = true;
    }
    defined[static_cast<unsigned char>(' ')] = true; // the space has no ink: its advance is set by the font
    for (int c = 127; c < 256; ++c) {
        if (!defined[c])
            drawGlyph(image, c, missing);
    }
    return writePng(argv[1], image) ? 0 : 1;
}
