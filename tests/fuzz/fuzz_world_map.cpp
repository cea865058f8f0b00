// Arbitrary bytes as "data\WorldMap.dat". A map that loads has a grid whose
// used cells all exist and name a tile, a start cell not beyond the grid and
// no point off it; it saves, loads back and saves to the same bytes. A map
// that does not load is the default map.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "project/world_map.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

void CheckSound(cWorldMap& map) {
    Check(map.m_nWidth >= 1 && map.m_nHeight >= 1 && map.m_nPitch == (1 << map.m_nShift));
    Check(map.m_nPitch >= map.m_nWidth);
    Check(int64_t{map.m_nHeight} * map.m_nPitch <= map.m_vCell.Size());
    Check(map.m_nStartX < map.m_nWidth && map.m_nStartY < map.m_nHeight);
    for (int y = 0; y < map.m_nHeight; ++y)
        for (int x = 0; x < map.m_nWidth; ++x) {
            int32_t tile = map.Cell(x, y);
            Check(tile == 0 || (tile > 0 && tile < map.m_vTile.Size()));
        }
    for (const cWorldPoint& p : map.m_vPoint) {
        Check(p.m_nX < map.m_nWidth && p.m_nY < map.m_nHeight);
        Check(map.FindPointXY(p.m_nX, p.m_nY) != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    orvfuzz::ServeInput("in.dat", data, size);

    cWorldMap map;
    if (map.LoadFile("in.dat") != 1) {
        Check(map.m_nWidth == 20 && map.m_nHeight == 15 && map.m_vCell.Size() == 480 && map.m_vPoint.empty());
        return 0;
    }
    CheckSound(map);
    map.FindPointByStage("data\\stg4\\a.", 0, 1, 0);

    Check(map.SaveFile("a.dat") == 1);
    cWorldMap again;
    Check(again.LoadFile("a.dat") == 1);
    CheckSound(again);
    Check(again.SaveFile("b.dat") == 1);
    Check(FileBytes("a.dat") == FileBytes("b.dat"));
    return 0;
}
