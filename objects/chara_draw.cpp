#include "objects/chara.h"

// Stand-ins until the chara drawing exists.
void cChara::Draw(DDSURFACEDATA*, int) {}
int cChara::DrawDeath(DDSURFACEDATA*, int paused) { return m_nKind != 0 || !paused; }
int cChara::StepEffect(int) { return 0; }
int cChara::GetAnimeFrame(int) { return 0; }
int cChara::GetAnimeOffset(CHIPCOLOR&) { return 0; }
void cChara::DrawHPGauge(DDSURFACEDATA*) {}
void cChara::DrawSPGauge(DDSURFACEDATA*) {}
void cChara::DrawGauge(DDSURFACEDATA*, GAUGE&, int) {}
