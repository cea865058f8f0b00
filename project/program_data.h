// The program-wide project data objects and the constant choice lists that
// belong to the project data.
#pragma once

// Font faces the project settings choose from by index; the index is stored
// in project files, so the order never changes. The last entry is "".
constexpr int kFontFaceCount = 123;
extern const char* const g_FontFaceList[kFontFaceCount];

// The face at index; "" and one report line when the index is outside the
// list, so a damaged project file cannot read past it.
const char* FontFaceName(int index);
