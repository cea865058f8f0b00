// One player's keyboard and joystick state, read once a frame. A poll fills
// the direction and button words; menus filter them for auto-repeat and
// single presses; stage play keeps run-length histories and per-key edge
// sequences that key conditions and input-direction movement read. The key
// configuration block (the optional "user_data\KeyConfig.dat", written by
// another tool) can map every direction and button to a key, a joystick
// axis or a joystick button.
#pragma once
#include <cstdint>
#include <vector>

#include "core/containers.h"
#include "core/program_object.h"
#include "platform/input.h"

// Direction word bits.
constexpr int16_t kDirLeft = 1;
constexpr int16_t kDirRight = 2;
constexpr int16_t kDirUp = 4;
constexpr int16_t kDirDown = 8;

// ---- the key configuration block ----

constexpr int kKeyConfigEntries = 12;
constexpr int kKeyConfigBytes = 108;
constexpr int kKeyDeviceKeyboard = 8;  // devices 0..7 are joystick numbers
constexpr int kMaxMappedJoysticks = 16;

// Joystick entry codes that stand for a stick position; any code also
// counts as a mask of the joystick's buttons.
constexpr int kJoyAxisLeft = 256;
constexpr int kJoyAxisRight = 512;
constexpr int kJoyAxisUp = 1024;
constexpr int kJoyAxisDown = 2048;

struct KeyEntry {
    int32_t m_nDevice;  // 0..7 joystick, 8 keyboard
    int16_t m_sCode;    // virtual-key code, or joystick axis code / button mask
    int16_t m_sUnused;
};

// Entries 0..3 are left, right, up, down; entry 4 + j is button j.
struct cKeyConfig {
    KeyEntry m_Entries[kKeyConfigEntries];
    int32_t m_nEntryCount;
    int32_t m_nJoyCount;    // joysticks 0 .. count - 1 are read
    int32_t m_nUseMapping;  // 0 the plain poll, else the poll through the entries
};
static_assert(sizeof(cKeyConfig) == kKeyConfigBytes, "the block is the file's 108 bytes");

// Reads up to 108 bytes of the file (little-endian) over the block; a
// shorter file leaves the rest as it was. 0 only when the file cannot be
// opened.
int LoadKeyConfig(const char* path, cKeyConfig& block);
// Every entry on the keyboard: arrows, then Z X C V A S D F; 12 entries,
// one joystick, no mapping.
void DefaultKeyConfig(cKeyConfig& block);

PROGRAM_OBJECT_DECLARE(g_KeyConfig, cKeyConfig);

// ---- the input state ----

struct InputRun {
    int16_t m_sValue;
    int32_t m_nRun;  // frames the value lasted
};

struct KeyEdge {
    int32_t m_nState;  // 1 held, 0 not held
    int32_t m_nRun;    // frames in that state
};
using KeySequence = std::vector<KeyEdge>;

class cInputState {
public:
    static constexpr int kHistoryLength = 32;
    static constexpr int kSequenceLength = 32;
    static constexpr int kDirSequences = 10;
    static constexpr int kButtonSequences = 9;
    static constexpr int kJoyButtons = 8;

    // Empty histories and sequences, no direction or button, repeat delay
    // 18 and interval 6, joystick button j as button j.
    cInputState();

    // The plain poll: steps bit 1 reads joystick `joyId`, bit 2 the
    // keyboard (arrows, then Z X C V A S D F), each keyboard part only when
    // the joystick holds nothing of its kind. A failed joystick read pauses
    // joystick reads for 2 x retry polls. 0 at once when the block asks for
    // the mapped poll, else 1.
    int Poll(unsigned joyId, int steps, int retry, const cKeyConfig& config = g_KeyConfig);
    // The poll through the block's entries; 0 at once when the block does
    // not ask for it, else 1. The block holds one player's entries: with
    // `players` of at least 1 this state is filled from them.
    int PollKeyConfig(int players, int retry, const cKeyConfig& config = g_KeyConfig);
    // True when the code names a stick position the reading is at.
    static bool TestJoyAxis(const plat::JoyReading& reading, int code);
    // The numeric-keypad value of the direction word (5 neutral, 4/6 left/
    // right, -3 up, +3 down), stored and returned.
    int GetNumpadDir();

    // Menu filters.
    void SetRepeat(int delay, int interval);
    void ApplyDirRepeat();
    void ApplyButtonEdge(int mask);  // mask 0: all eight buttons

    void ClearDir();
    void ClearButtons();
    void ClearHistory();
    void ResetSequences();
    void Reset();

    // Stage play: ring 0 the direction word, ring 1 the button word.
    void PushHistory();
    // The word `framesBack` frames ago, or the oldest reachable within the
    // ring's 32 runs; 0 for a ring other than 0 and 1.
    int GetHistory(int ring, int framesBack) const;
    void UpdateSequences();

    void DefaultJoyButtons();

    int16_t m_sDir = 0;
    int16_t m_sButton = 0;
    int16_t m_sRepeatHistory = 0;  // bits 0-3 this frame's raw direction, 4-7 the previous frame's ...
    InputRun m_History[2][kHistoryLength] = {};
    int32_t m_nHistoryHead[2] = {};
    std::vector<KeySequence> m_DirSeq;     // newest entry first
    std::vector<KeySequence> m_ButtonSeq;
    int32_t m_nNumpad = 5;
    int32_t m_nRepeatCountH = 0;
    int32_t m_nRepeatCountV = 0;
    int32_t m_nRepeatDelay = 18;
    int32_t m_nRepeatInterval = 6;
    int32_t m_nButtonLatch = 0;
    int16_t m_sJoyButton[kJoyButtons] = {};
    int32_t m_nJoyPresent = 0;
    int32_t m_nJoyRetry = 0;

private:
    // The shared present flag and countdown: true when the joystick was
    // read this time.
    bool TryJoystick(unsigned id, int retry, plat::JoyReading* reading);
};

PROGRAM_OBJECT_DECLARE(g_InputStates, cVector<cInputState>);

// The index (0-9) of the first direction sequence held now; 0 when none.
int GetFirstPressedKey(const cInputState& state);

// Movement direction code of a direction-sequence index: 2 left, 3 right,
// 6 up, 7 down, 8 up-left, 9 down-left, 10 up-right, 11 down-right; index 0
// gives the facing code (3 facing right, else 2), index 9 gives 0 under
// rule 1 and the facing code under rule 2. The rule flag chooses rule 1
// when set, unless a replay of data version 1..777 (rule 1) or 778..779
// (rule 2) is playing; replayVersion is 0 when none plays.
int GetInputDirection(int index, int ruleFlag, int facingRight, int replayVersion = 0);
