// Every picture of the system bitmap table, drawn by code in the game's
// palette: the palette bitmap, the chip sheets, the front end's pictures
// and three stage backgrounds.
#include <string>

#include "tools/sample_game/canvas.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {
namespace {

// Chip n of a 32-pixel sheet, 15 to a column.
int ChipX(int n) { return (n / kChipsPerColumn) * kChip; }
int ChipY(int n) { return (n % kChipsPerColumn) * kChip; }

// The palette bitmap: the transparent colour top left, then one pixel per
// colour in a 16 x 16 block from (0, 8).
Canvas PaletteBitmap() {
    Canvas c(16, 24, kKey);
    for (int i = 0; i < 256; ++i) c.Set(i % 16, 8 + i / 16, static_cast<uint8_t>(i));
    return c;
}

// ---- Characters: small figures facing left ----
struct Figure {
    uint8_t body, dark, light;
};

// One figure in a 32x32 cell at (x, y): `pose` 0 stand, 1 and 2 walk, 3 jump.
void DrawFigure(Canvas& c, int x, int y, int row, int pose, Figure f) {
    int bob = (pose == 1 || pose == 2) ? 1 : 0;
    switch (row) {
        case kRowHero: {
            c.Fill(x + 11, y + 6 - bob, 10, 9, Cube(5, 4, 3));     // face
            c.Fill(x + 10, y + 3 - bob, 12, 4, f.body);            // cap
            c.Fill(x + 8, y + 5 - bob, 4, 2, f.body);              // peak to the left
            c.Set(x + 13, y + 9 - bob, kBlack);                    // eye
            c.Fill(x + 10, y + 15 - bob, 12, 8, f.dark);           // coat
            c.Fill(x + 12, y + 16 - bob, 8, 2, f.light);
            int step = pose == 1 ? -2 : pose == 2 ? 2 : 0;
            if (pose == 3) {
                c.Fill(x + 9, y + 23, 5, 5, Cube(1, 1, 2));
                c.Fill(x + 18, y + 21, 5, 5, Cube(1, 1, 2));
            } else {
                c.Fill(x + 11 + step, y + 23, 4, 8, Cube(1, 1, 2));
                c.Fill(x + 17 - step, y + 23, 4, 8, Cube(1, 1, 2));
            }
            break;
        }
        case kRowWalker:
            c.Disc(x + 16, y + 20 - bob, 10, f.body);
            c.Fill(x + 6, y + 20, 20, 6, f.dark);
            c.Fill(x + 9, y + 14 - bob, 3, 4, kWhite);
            c.Set(x + 9, y + 15 - bob, kBlack);
            c.Fill(x + 8 + (pose == 1 ? 2 : 0), y + 28, 6, 4, kBlack);
            c.Fill(x + 19 - (pose == 2 ? 2 : 0), y + 28, 6, 4, kBlack);
            break;
        case kRowJumper:
            c.Disc(x + 16, y + 18 - (pose == 3 ? 4 : 0), 9, f.body);
            c.Fill(x + 10, y + 15 - (pose == 3 ? 4 : 0), 3, 3, kWhite);
            c.Fill(x + 8, y + 26, 16, 5 - (pose == 3 ? 2 : 0), f.dark);
            break;
        case kRowShooter:
            c.Fill(x + 8, y + 8, 16, 22, f.body);
            c.Frame(x + 8, y + 8, 16, 22, f.dark);
            c.Fill(x + 1, y + 14, 8, 5, Grey(2));                  // barrel to the left
            c.Fill(x + 11, y + 11, 4, 4, Cube(5, 5, 0));
            break;
        case kRowFlyer:
            c.Disc(x + 16, y + 16, 7, f.body);
            c.Fill(x + 3, y + (pose % 2 ? 8 : 14), 8, 3, f.light);  // wings
            c.Fill(x + 21, y + (pose % 2 ? 8 : 14), 8, 3, f.light);
            c.Set(x + 12, y + 14, kBlack);
            break;
        case kRowPlatform:
            // A block chara is solid over its whole cell.
            c.Fill(x, y, 32, 32, f.body);
            c.Frame(x, y, 32, 32, f.dark);
            c.Fill(x + 2, y + 2, 28, 2, f.light);
            c.Line(x + 2, y + 16, x + 29, y + 16, f.dark);
            break;
        case kRowBoss:
            c.Disc(x + 16, y + 17, 13, f.body);
            c.Fill(x + 6, y + 3, 4, 6, f.light);                   // horns
            c.Fill(x + 22, y + 3, 4, 6, f.light);
            c.Fill(x + 8, y + 13, 5, 4, kWhite);
            c.Set(x + 9, y + 14, kBlack);
            c.Fill(x + 9, y + 23, 14, 3, f.dark);                  // mouth
            c.Fill(x + 7, y + 28, 7, 4, f.dark);
            c.Fill(x + 19, y + 28, 7, 4, f.dark);
            break;
        case kRowSign:
            c.Fill(x + 14, y + 14, 4, 18, Cube(2, 1, 0));
            c.Fill(x + 4, y + 4, 24, 13, Cube(4, 3, 1));
            c.Frame(x + 4, y + 4, 24, 13, Cube(2, 1, 0));
            c.Line(x + 8, y + 10, x + 23, y + 10, kBlack);
            break;
        default: break;
    }
}

Canvas Characters() {
    const Figure figures[kCharaRows] = {
        {}, {Cube(4, 0, 0), Cube(0, 1, 4), Cube(2, 3, 5)}, {Cube(4, 2, 0), Cube(2, 1, 0), Cube(5, 4, 1)},
        {Cube(1, 4, 1), Cube(0, 2, 0), Cube(3, 5, 3)},      {Cube(3, 3, 4), Cube(1, 1, 2), Cube(4, 4, 5)},
        {Cube(4, 1, 4), Cube(2, 0, 2), Cube(5, 4, 5)},      {Cube(3, 2, 1), Cube(2, 1, 0), Cube(4, 3, 2)},
        {Cube(3, 0, 1), Cube(1, 0, 0), Cube(5, 5, 4)},      {},
    };
    Canvas c(kCharaFrames * kChip, kChipsPerColumn * kChip);
    for (int row = 1; row < kCharaRows; ++row) {
        const int y = CharaChip(row) * kChip;
        for (int pose = 0; pose < 4; ++pose) {
            DrawFigure(c, pose * kChip, y, row, pose, figures[row]);
            // Lit while invincible: every colour brightened to white-ish.
            DrawFigure(c, (4 + pose) * kChip, y, row, pose, {Cube(5, 5, 3), Cube(4, 4, 2), kWhite});
            // As a block chara: grey stone.
            DrawFigure(c, (8 + pose) * kChip, y, row, pose, {Grey(4), Grey(2), Grey(6)});
        }
    }
    return c;
}

Canvas Blocks() {
    Canvas c(kChip, kChipsPerColumn * kChip);
    for (int n = 1; n < kBlockChips; ++n) {
        int x = ChipX(n), y = ChipY(n);
        switch (n) {
            case kChipGround:
                c.Fill(x, y, 32, 32, Cube(3, 2, 0));
                c.Fill(x, y, 32, 8, Cube(1, 4, 0));
                for (int i = 0; i < 32; i += 4) c.Set(x + i + 1, y + 8, Cube(0, 3, 0));
                c.Set(x + 7, y + 18, Cube(2, 1, 0));
                c.Set(x + 22, y + 25, Cube(2, 1, 0));
                break;
            case kChipEarth:
                c.Fill(x, y, 32, 32, Cube(3, 2, 0));
                c.Set(x + 5, y + 9, Cube(2, 1, 0));
                c.Set(x + 20, y + 14, Cube(2, 1, 0));
                c.Set(x + 12, y + 26, Cube(2, 1, 0));
                break;
            case kChipBrick:
                c.Fill(x, y, 32, 32, Cube(4, 1, 0));
                for (int row = 0; row < 4; ++row) {
                    c.Fill(x, y + row * 8 + 7, 32, 1, Cube(2, 0, 0));
                    int off = row % 2 ? 8 : 0;
                    c.Fill(x + off, y + row * 8, 1, 7, Cube(2, 0, 0));
                    c.Fill(x + off + 16, y + row * 8, 1, 7, Cube(2, 0, 0));
                }
                break;
            case kChipItemBlock:
                c.Fill(x, y, 32, 32, Cube(5, 4, 0));
                c.Frame(x, y, 32, 32, Cube(3, 2, 0));
                c.Text(x + 11, y + 9, "?", Cube(3, 1, 0), 2);
                break;
            case kChipUsedBlock:
                c.Fill(x, y, 32, 32, Cube(3, 2, 1));
                c.Frame(x, y, 32, 32, Cube(2, 1, 0));
                break;
            case kChipStone:
                c.Fill(x, y, 32, 32, Grey(3));
                c.Frame(x, y, 32, 32, Grey(1));
                c.Fill(x, y + 15, 32, 1, Grey(1));
                c.Fill(x + 15, y, 1, 15, Grey(1));
                c.Fill(x + 5, y + 16, 1, 16, Grey(1));
                break;
            case kChipGoal:
                c.Fill(x + 14, y, 4, 32, Grey(6));
                c.Fill(x + 2, y + 2, 12, 9, Cube(0, 4, 1));
                break;
            case kChipSpike:
                for (int i = 0; i < 4; ++i)
                    for (int row = 0; row < 16; ++row)
                        c.Fill(x + i * 8 + 4 - row / 4, y + 16 + row, 1 + row / 2, 1, Grey(5));
                break;
            case kChipCloud:
                c.Disc(x + 10, y + 18, 8, kWhite);
                c.Disc(x + 20, y + 14, 9, kWhite);
                c.Fill(x + 4, y + 20, 24, 6, kWhite);
                break;
            default: break;
        }
    }
    return c;
}

void DrawItem(Canvas& c, int x, int y, int n, int size) {
    int h = size / 2, r = size * 3 / 8;
    switch (n) {
        case kChipCoin: c.Disc(x + h, y + h, r, Cube(5, 4, 0)); c.Ring(x + h, y + h, r, Cube(4, 2, 0)); break;
        case kChipLife:
            c.Disc(x + h, y + h, r, Cube(0, 4, 0));
            c.Text(x + h - 5 * size / 32 - 2, y + h - 3 * size / 32 - 2, "1UP", kWhite, 1);
            break;
        case kChipPower:
            c.Disc(x + h, y + h, r, Cube(0, 2, 5));
            c.Text(x + h - 2, y + h - 3, "P", kWhite, 1);
            break;
        case kChipHeart:
            c.Disc(x + h - r / 2, y + h - r / 3, r / 2 + 1, Cube(5, 0, 1));
            c.Disc(x + h + r / 2, y + h - r / 3, r / 2 + 1, Cube(5, 0, 1));
            for (int row = 0; row < r; ++row) c.Fill(x + h - r + row, y + h + row - r / 3, 2 * (r - row), 1, Cube(5, 0, 1));
            break;
        case kChipClearOrb: c.Disc(x + h, y + h, r, Cube(2, 5, 5)); c.Disc(x + h - r / 3, y + h - r / 3, r / 3, kWhite); break;
        default: break;
    }
}

// Items: chip n on row n; the stage's items show two anime frames side by
// side (the second one dot higher), the small icons one.
Canvas Items(int size, int frames) {
    Canvas c(size * frames, kChipsPerColumn * size);
    for (int n = 1; n < kItemChips; ++n)
        for (int f = 0; f < frames; ++f) DrawItem(c, f * size, n * size - f, n, size);
    return c;
}

// Shots: 16x16 chips, graphic g on row g, two frames side by side.
Canvas Shots() {
    Canvas c(32, 16 * 30);
    const uint8_t colours[kShotChips] = {0, Cube(5, 5, 2), Cube(2, 5, 5), Cube(5, 1, 1), Cube(5, 0, 5), Cube(5, 3, 0)};
    for (int g = 1; g < kShotChips; ++g)
        for (int frame = 0; frame < 2; ++frame) {
            int x = 16 * frame + 8, y = 16 * g + 8;
            c.Disc(x, y, frame ? 4 : 5, colours[g]);
            c.Disc(x, y, 2, kWhite);
        }
    return c;
}

// Marks: 32x32 chips, 15 to a column, eight columns (marks 0..119).
Canvas Marks() {
    Canvas c(8 * kChip, kChipsPerColumn * kChip);
    for (int n = 1; n < 120; ++n) {
        int x = ChipX(n), y = ChipY(n);
        c.Disc(x + 16, y + 8, 6, static_cast<uint8_t>(16 + (n * 37) % 216));
        c.Ring(x + 16, y + 8, 6, kBlack);
    }
    return c;
}

Canvas Picture640(Rgb top, Rgb bottom) {
    Canvas c(640, 480);
    c.Gradient(0, 0, 640, 480, top, bottom);
    return c;
}

Canvas Title() {
    Canvas c = Picture640({20, 40, 120}, {120, 180, 255});
    for (int i = 0; i < 40; ++i) c.Set((i * 97) % 640, (i * 53) % 200, kWhite);
    c.Fill(0, 400, 640, 80, Cube(1, 3, 0));
    c.Fill(0, 400, 640, 6, Cube(2, 4, 0));
    int w = c.Text(0, -100, "ORVEN QUEST", kWhite, 5);
    c.Text(320 - w / 2 + 4, 124, "ORVEN QUEST", kFontFrame, 5);
    c.Text(320 - w / 2, 120, "ORVEN QUEST", Cube(5, 4, 0), 5);
    return c;
}

Canvas Loading() {
    Canvas c(640, 480, kKey);
    int w = c.Text(0, -100, "NOW LOADING", kWhite, 2);
    c.Text(640 - w - 24, 480 - 40, "NOW LOADING", kWhite, 2);
    return c;
}

// The font windows' background, blitted from its top-left corner.
Canvas WindowPicture() {
    Canvas c(640, 480);
    for (int y = 0; y < 480; ++y) c.Fill(0, y, 640, 1, y % 2 ? Cube(0, 0, 2) : Cube(0, 0, 1));
    return c;
}

Canvas StatusWindow() {
    Canvas c(640, 64);
    c.Fill(0, 0, 640, 64, Cube(0, 0, 1));
    c.Frame(0, 0, 640, 64, Cube(2, 2, 4));
    return c;
}

Canvas GameMode() {
    Canvas c(256, 128);
    const char* rows[] = {"NEW GAME", "CONTINUE", "STAGE SELECT", "OPTIONS"};
    for (int i = 0; i < 4; ++i) c.Text(16, 8 + i * 32, rows[i], kWhite, 2);
    return c;
}

// Cursors and marks of the menus: (0, 0) list cursor 32x32, (64, 0) and
// (80, 0) 16x16 active and inactive cursors, (96, 0) clear mark 32x32,
// (128, 0) the hero on the world map, (160, 0) the life icon.
Canvas Accessory() {
    Canvas c(256, 64);
    for (int row = 0; row < 12; ++row) c.Fill(8 + row, 10 + row / 2, 1, 12 - row, Cube(5, 5, 0));
    for (int row = 0; row < 8; ++row) {
        c.Fill(64 + 3 + row, 4 + row / 2, 1, 8 - row, Cube(5, 5, 0));
        c.Fill(80 + 3 + row, 4 + row / 2, 1, 8 - row, Grey(4));
    }
    c.Disc(112, 16, 12, Cube(5, 3, 0));
    c.Text(103, 12, "OK", kWhite, 1);
    DrawFigure(c, 128, 0, kRowHero, 0, {Cube(4, 0, 0), Cube(0, 1, 4), Cube(2, 3, 5)});
    c.Disc(168, 8, 6, Cube(5, 0, 1));
    return c;
}

// Icons of the font: 16x16 cells, 16 to a row.
Canvas Symbols() {
    Canvas c(256, 256);
    for (int i = 1; i < 256; ++i) {
        int x = (i % 16) * 16, y = (i / 16) * 16;
        c.Disc(x + 8, y + 8, 5, static_cast<uint8_t>(16 + (i * 29) % 216));
    }
    return c;
}

// Banners: (0, 0) "STAGE", (0, 32) "REPLAY", (0, 64) "CLEAR", (0, 96)
// "GAME OVER", (160, 0) "START"; digits 32x32 from (0, 128), and those of
// the time limit from (0, 160).
Canvas Words() {
    Canvas c(320, 192);
    c.Text(8, 6, "STAGE", Cube(5, 5, 1), 3);
    c.Text(8, 38, "REPLAY", Cube(2, 5, 5), 3);
    c.Text(8, 70, "CLEAR!", Cube(5, 5, 1), 3);
    c.Text(0, 102, "GAME OVER", Cube(5, 1, 1), 2);
    c.Text(164, 6, "START", kWhite, 2);
    for (int d = 0; d < 10; ++d) c.Text(d * 32 + 8, 128 + 6, std::string(1, static_cast<char>('0' + d)), Cube(5, 5, 1), 3);
    for (int d = 0; d < 10; ++d) c.Text(d * 32 + 8, 160 + 6, std::string(1, static_cast<char>('0' + d)), kWhite, 3);
    return c;
}

Canvas WorldChips() {
    Canvas c(5 * 32, 32);
    c.Fill(0, 0, 32, 32, Cube(1, 4, 1));
    c.Fill(32, 0, 32, 32, Cube(4, 3, 2));
    c.Fill(64, 0, 32, 32, Cube(0, 2, 5));
    c.Fill(64 + 6, 10, 8, 1, Cube(2, 4, 5));
    c.Fill(96, 0, 32, 32, Cube(1, 4, 1));
    c.Disc(112, 12, 10, Cube(0, 2, 0));
    c.Fill(110, 20, 4, 12, Cube(2, 1, 0));
    c.Fill(128, 0, 32, 32, Cube(1, 4, 1));
    c.Fill(132, 8, 24, 24, Grey(4));
    c.Fill(136, 2, 4, 6, Grey(4));
    c.Fill(148, 2, 4, 6, Grey(4));
    c.Fill(141, 20, 6, 12, kBlack);
    return c;
}

// Link icons: one 32x32 row per icon number, two frames side by side.
Canvas WorldEvents() {
    Canvas c(64, 8 * 32);
    for (int row = 0; row < 8; ++row)
        for (int frame = 0; frame < 2; ++frame) {
            c.Disc(frame * 32 + 16, row * 32 + 16, frame ? 9 : 11, Cube(5, 1 + row % 4, 0));
            c.Text(frame * 32 + 14, row * 32 + 13, std::string(1, static_cast<char>('1' + row)), kWhite, 1);
        }
    return c;
}

Canvas Background(int kind) {
    Canvas c(640, 480);
    if (kind == 0) {
        c.Gradient(0, 0, 640, 480, {90, 160, 255}, {200, 230, 255});
        for (int x = 0; x < 640; x += 160) c.Disc(x + 80, 420, 90, Cube(2, 4, 2));
    } else if (kind == 1) {
        c.Gradient(0, 0, 640, 480, {20, 10, 30}, {60, 40, 50});
        for (int i = 0; i < 30; ++i) c.Disc((i * 113) % 640, (i * 71) % 480, 2, Cube(1, 1, 2));
    } else {
        c.Gradient(0, 0, 640, 480, {40, 0, 40}, {100, 30, 60});
        for (int y = 0; y < 480; y += 32)
            for (int x = (y / 32) % 2 * 32; x < 640; x += 64) c.Frame(x, y, 64, 32, Cube(1, 0, 1));
    }
    return c;
}

Canvas Debug() {
    Canvas c(256, 16);
    c.Text(2, 4, "0123456789ABCDEF", kWhite, 1);
    return c;
}

}  // namespace

bool WriteSystemBitmaps(const std::string& root, std::string* error) {
    struct File {
        const char* name;
        Canvas picture;
    };
    const File files[] = {
        {"bmp\\plt\\Palette.bmp", PaletteBitmap()},
        {"bmp\\Debug.bmp", Debug()},
        {"bmp\\Block.bmp", Blocks()},
        {"bmp\\Character1.bmp", Characters()},
        {"bmp\\Shot.bmp", Shots()},
        {"bmp\\Item.bmp", Items(32, 2)},
        {"bmp\\Item_Mini.bmp", Items(16, 1)},
        {"bmp\\Mark.bmp", Marks()},
        {"bmp\\Loading.bmp", Loading()},
        {"bmp\\Window.bmp", WindowPicture()},
        {"bmp\\StatusWindow.bmp", StatusWindow()},
        {"bmp\\Title.bmp", Title()},
        {"bmp\\GameMode.bmp", GameMode()},
        {"bmp\\Accessory.bmp", Accessory()},
        {"bmp\\Symbol.bmp", Symbols()},
        {"bmp\\Word.bmp", Words()},
        {"bmp\\WorldMapChip.bmp", WorldChips()},
        {"bmp\\WorldEvent.bmp", WorldEvents()},
        {"bmp\\WorldBack.bmp", Picture640({40, 120, 40}, {90, 170, 60})},
        {"背景その1.bmp", Background(0)},
        {"背景その2.bmp", Background(1)},
        {"背景その3.bmp", Background(2)},
    };
    for (const File& f : files)
        if (!WriteBmp8(GamePath(root, f.name), f.picture, error)) return false;
    return true;
}

}  // namespace sample
