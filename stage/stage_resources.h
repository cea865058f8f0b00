// Surfaces only stage play needs: the chara-exclusive sheets, the sword
// and effect images of the databases (each with its definition, so the
// graphics layer can make it again). The two shot chip sheets and the
// hero's sight overlay are system pictures 64 to 67.
#pragma once
#include "core/containers.h"
#include "core/program_object.h"
#include "gfx/dd.h"

PROGRAM_OBJECT_DECLARE(g_CharaExcSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DECLARE(g_CharaExcDefs, cVector<DDSURFACEDEF>);
PROGRAM_OBJECT_DECLARE(g_SwordSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DECLARE(g_SwordDefs, cVector<DDSURFACEDEF>);
PROGRAM_OBJECT_DECLARE(g_EffectSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DECLARE(g_EffectDefs, cVector<DDSURFACEDEF>);


// The sight overlay for the hero's present sight value and overlay mode.
void ResizeWorkSurfaces(DDSURFACEDATA* overlay, DDSURFACEDATA* stamp);
