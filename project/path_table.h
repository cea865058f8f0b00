// Where project and user files live: relative Windows paths below the
// working folder, the folders every start makes sure of, and the first-run
// copy of the shipped data into the project folder.
#pragma once

// Paths in their stored form (Shift-JIS, backslashes); entries come in
// pairs of a project file and its shipped copy. Constant, so usable before
// start-up.
constexpr int kPathTableSize = 49;
extern const char* const g_PathTable[kPathTableSize];

// The entries the player reads.
enum PathIndex {
    kPathData = 0,            // project folder
    kPathDefault = 1,         // shipped folder
    kPathCommonPalette = 8,
    kPathWorldMap = 14,
    kPathAnimeSet = 16,       // the ten database files: 16, 18, ... 34
    kPathAnime = 18,
    kPathBmpCharaExc = 20,
    kPathSwordType = 22,
    kPathEffect = 24,
    kPathCharaEffect = 26,
    kPathScrEffect = 28,
    kPathPicture = 30,
    kPathSound = 32,
    kPathBgm = 34,
    kPathSystemDat = 36,
    kPathChallengeStage = 38,  // prefix of the challenge stage files
    kPathRankStory = 39,       // ranking folders by play mode: 39, 40, 41
    kPathRankChallenge = 40,
    kPathRankFree = 41,
    kPathStorySave = 42,       // prefix of the save-slot files
    kPathChallengeFile = 43,
    kPathOption = 44,
    kPathUserData = 45,
    kPathKeyConfig = 46,
    kPathBoot = 47,
    kPathWindow = 48,
};

// File extensions without their dot.
constexpr int kExtTableSize = 4;
extern const char* const g_ExtTable[kExtTableSize];
enum ExtIndex { kExtCommonPalette = 0, kExtStage = 1, kExtPalette = 2, kExtRanking = 3 };

// The program folders in the order they are made, ended by an empty entry.
constexpr int kProgramFolderCount = 22;
extern const char* const g_ProgramFolders[kProgramFolderCount + 1];

// Makes every program folder that is missing; folders that exist (in any
// letter case) stay as they are, and a failure is no error.
void CreateProgramFolders();

// 1 when the project folder exists or was made from the shipped folder
// after the user agreed; 0 when the shipped folder is missing, the user
// declined, the copy failed (what was copied is removed again), or the
// project folder's name is taken by something that is no folder (it is
// then left untouched and nothing is asked).
int CreateDefaultData();

// The report when the project folder cannot be had.
extern const char* const kDefaultDataFailedText;

// The start-up step: CreateDefaultData (its failure reported with an error
// box, 0 returned), then CreateProgramFolders; 1.
int SetupProgramFolders();
