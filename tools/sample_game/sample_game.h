// The bundled sample game, written by code with the project's own record
// classes: a small complete game that the player starts on, and that the
// tests and benchmarks load. Every writer takes the game folder as a path
// (host form or program form) and puts its files under it; on failure it
// returns false with a message in `error`.
#pragma once
#include <string>

class cRecord;
class cCommonPalette;
class cSystemData;

namespace sample {

// default\database\ (the ten files) and the bitmaps only they name.
bool WriteDatabase(const std::string& root, std::string* error);
// default\System.dat, System.ini (game folder).
bool WriteSystem(const std::string& root, std::string* error);
// default\CommonPalette.cplt4: blocks, charas with their flows, items.
bool WriteCommonPalette(const std::string& root, std::string* error);
// default\stg4\ stage files, default\WorldMap.dat and the bitmaps only
// they name.
bool WriteStages(const std::string& root, std::string* error);
// bmp\: every file of the system bitmap table (backgrounds at the root).
bool WriteSystemBitmaps(const std::string& root, std::string* error);
// wave\ (system sounds and effects), bgm\ (one MIDI file, one OGG file).
bool WriteSounds(const std::string& root, std::string* error);

// Loads the database files the game folder's default\database\ holds into
// g_Database; record writers need it, since definitions keep their database
// references only inside the loaded lists.
bool LoadSampleDatabase(const std::string& root, std::string* error);
// The common palette's entries (sample_assets.h numbers them).
void FillCommonPalette(cCommonPalette& palette);
// The project settings as the sample sets them.
void FillSystemData(cSystemData& settings);

// All of the above, in that order (later records name the database's entries).
bool WriteGame(const std::string& root, std::string* error);

// `root` + "\" + `relative` (a program path inside the game folder).
std::string GamePath(const std::string& root, const char* relative);
// Makes every missing folder on the way to the file `path`; false when one
// cannot be made.
bool MakeParentFolders(const std::string& path);
// Writes a whole file of bytes, making its folders; false with a message
// naming the file when that fails.
bool WriteFileBytes(const std::string& path, const std::string& bytes, std::string* error);
// Saves a record file through the record's own writer, making its folders;
// false with a message naming the file when that fails.
bool SaveRecord(cRecord& record, const std::string& path, std::string* error);
}  // namespace sample
