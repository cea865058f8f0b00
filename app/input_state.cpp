#include "app/input_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/paths.h"

namespace {

constexpr int32_t kRunMax = std::numeric_limits<int32_t>::max();

// Stick thresholds on the 0..65535 scale.
constexpr uint32_t kStickLow = 10000;
constexpr uint32_t kStickHigh = 55535;

// Sequence conditions: an exact direction word, or a bit test.
struct SeqCondition {
    bool exact;
    int value;
};
constexpr SeqCondition kDirConditions[cInputState::kDirSequences] = {
    {true, 0}, {true, 1}, {true, 2}, {true, 4}, {true, 8}, {true, 5}, {true, 9}, {true, 6}, {true, 10}, {false, 15},
};

bool Holds(const SeqCondition& c, int word) { return c.exact ? word == c.value : (word & c.value) != 0; }

// Direction d (0 left, 1 right, 2 up, 3 down) held: its bit and its step
// on the keypad.
void AddDirection(cInputState& s, int d) {
    static const int kBits[4] = {kDirLeft, kDirRight, kDirUp, kDirDown};
    static const int kSteps[4] = {-1, +1, -3, +3};
    s.m_sDir = static_cast<int16_t>(s.m_sDir | kBits[d]);
    s.m_nNumpad += kSteps[d];
}

void Saturate(int32_t& run) {
    if (run < kRunMax) ++run;
}

void UpdateSequence(KeySequence& seq, bool held) {
    if (seq.size() != cInputState::kSequenceLength) seq.assign(cInputState::kSequenceLength, KeyEdge{0, 0});
    const int32_t state = seq.front().m_nState;
    if ((state == 0 && held) || (state == 1 && !held)) {
        seq.pop_back();
        seq.insert(seq.begin(), KeyEdge{held ? 1 : 0, 1});
    } else {
        Saturate(seq.front().m_nRun);
    }
}

// Twice the retry count without overflow, for the pause after a failed read.
int32_t RetryPause(int retry) {
    int64_t n = 2 * static_cast<int64_t>(retry);
    return static_cast<int32_t>(std::clamp<int64_t>(n, std::numeric_limits<int32_t>::min(), kRunMax));
}

// ---- the block as the file's little-endian bytes ----

void PutLe(unsigned char* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t GetLe(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

void ToBytes(const cKeyConfig& block, unsigned char* out) {
    for (int i = 0; i < kKeyConfigEntries; ++i) {
        unsigned char* e = out + 8 * i;
        PutLe(e, static_cast<uint32_t>(block.m_Entries[i].m_nDevice), 4);
        PutLe(e + 4, static_cast<uint16_t>(block.m_Entries[i].m_sCode), 2);
        PutLe(e + 6, static_cast<uint16_t>(block.m_Entries[i].m_sUnused), 2);
    }
    PutLe(out + 96, static_cast<uint32_t>(block.m_nEntryCount), 4);
    PutLe(out + 100, static_cast<uint32_t>(block.m_nJoyCount), 4);
    PutLe(out + 104, static_cast<uint32_t>(block.m_nUseMapping), 4);
}

void FromBytes(const unsigned char* in, cKeyConfig& block) {
    for (int i = 0; i < kKeyConfigEntries; ++i) {
        const unsigned char* e = in + 8 * i;
        block.m_Entries[i].m_nDevice = static_cast<int32_t>(GetLe(e, 4));
        block.m_Entries[i].m_sCode = static_cast<int16_t>(GetLe(e + 4, 2));
        block.m_Entries[i].m_sUnused = static_cast<int16_t>(GetLe(e + 6, 2));
    }
    block.m_nEntryCount = static_cast<int32_t>(GetLe(in + 96, 4));
    block.m_nJoyCount = static_cast<int32_t>(GetLe(in + 100, 4));
    block.m_nUseMapping = static_cast<int32_t>(GetLe(in + 104, 4));
}

}  // namespace

PROGRAM_OBJECT_DEFINE(g_KeyConfig, cKeyConfig);
PROGRAM_OBJECT_DEFINE(g_InputStates, cVector<cInputState>);

// ---- the key configuration ----

int LoadKeyConfig(const char* path, cKeyConfig& block) {
    const std::string name = path ? path : "";
    if (plat::IsFolder(name)) return 0;
    FILE* f = plat::OpenFile(name, "rb");
    if (!f) return 0;
    // The bytes read replace the same bytes of the block; the rest stays.
    unsigned char bytes[kKeyConfigBytes];
    ToBytes(block, bytes);
    std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    FromBytes(bytes, block);
    return 1;
}

void DefaultKeyConfig(cKeyConfig& block) {
    static const int16_t kCodes[kKeyConfigEntries] = {
        plat::kVkLeft, plat::kVkRight, plat::kVkUp, plat::kVkDown, 'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F',
    };
    for (int i = 0; i < kKeyConfigEntries; ++i) block.m_Entries[i] = KeyEntry{kKeyDeviceKeyboard, kCodes[i], 0};
    block.m_nEntryCount = kKeyConfigEntries;
    block.m_nJoyCount = 1;
    block.m_nUseMapping = 0;
}

// ---- the input state ----

cInputState::cInputState() {
    ResetSequences();
    DefaultJoyButtons();
}

void cInputState::DefaultJoyButtons() {
    for (int j = 0; j < kJoyButtons; ++j) m_sJoyButton[j] = static_cast<int16_t>(1 << j);
}

bool cInputState::TryJoystick(unsigned id, int retry, plat::JoyReading* reading) {
    if (m_nJoyPresent == 1 || m_nJoyRetry < 1) {
        if (plat::ReadJoystick(id, reading)) {
            m_nJoyPresent = 1;
            return true;
        }
        m_nJoyPresent = 0;
        m_nJoyRetry = RetryPause(retry);
        return false;
    }
    --m_nJoyRetry;
    return false;
}

bool cInputState::TestJoyAxis(const plat::JoyReading& reading, int code) {
    switch (code) {
    case kJoyAxisLeft: return reading.x <= kStickLow;
    case kJoyAxisRight: return reading.x >= kStickHigh;
    case kJoyAxisUp: return reading.y <= kStickLow;
    case kJoyAxisDown: return reading.y >= kStickHigh;
    default: return false;
    }
}

int cInputState::Poll(unsigned joyId, int steps, int retry, const cKeyConfig& config) {
    if (config.m_nUseMapping) return 0;
    bool joyDirHeld = false, joyButtonHeld = false;
    plat::JoyReading r;
    if (TryJoystick(joyId, retry, &r) && (steps & 1)) {
        ClearDir();
        if (r.x <= kStickLow)
            AddDirection(*this, 0);
        else if (r.x >= kStickHigh)
            AddDirection(*this, 1);
        if (r.y <= kStickLow)
            AddDirection(*this, 2);
        else if (r.y >= kStickHigh)
            AddDirection(*this, 3);
        int buttons = 0;
        for (int j = 0; j < kJoyButtons; ++j)
            if (static_cast<uint16_t>(m_sJoyButton[j]) & r.buttons) buttons |= 1 << j;
        m_sButton = static_cast<int16_t>(buttons);
        joyDirHeld = m_nNumpad != 5;
        joyButtonHeld = m_sButton != 0;
    }
    if (!(steps & 2)) return 1;

    if (!joyDirHeld) {
        ClearDir();
        static const int kArrows[4] = {plat::kVkLeft, plat::kVkRight, plat::kVkUp, plat::kVkDown};
        for (int d = 0; d < 4; ++d)
            if (plat::KeyDown(kArrows[d])) AddDirection(*this, d);
    }
    if (!joyButtonHeld) {
        static const char kKeys[kJoyButtons] = {'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'};
        int buttons = 0;
        for (int j = 0; j < kJoyButtons; ++j)
            if (plat::KeyDown(kKeys[j])) buttons |= 1 << j;
        m_sButton = static_cast<int16_t>(buttons);
    }
    return 1;
}

int cInputState::PollKeyConfig(int players, int retry, const cKeyConfig& config) {
    if (!config.m_nUseMapping) return 0;
    // Counts beyond what the block can hold are cut to it, so a damaged
    // file cannot make the poll read past the entries or the readings.
    const int joyCount = std::clamp(config.m_nJoyCount, 0, kMaxMappedJoysticks);
    const int entryCount = std::clamp(config.m_nEntryCount, 4, kKeyConfigEntries);
    plat::JoyReading readings[kMaxMappedJoysticks];
    bool read[kMaxMappedJoysticks] = {};
    for (int id = 0; id < joyCount; ++id) read[id] = TryJoystick(static_cast<unsigned>(id), retry, &readings[id]);
    if (players < 1) return 1;

    ClearDir();
    int buttons = 0;
    for (int i = 0; i < entryCount; ++i) {
        const KeyEntry& e = config.m_Entries[i];
        bool pressed = false;
        if (e.m_nDevice == kKeyDeviceKeyboard) {
            pressed = plat::KeyDown(e.m_sCode);
        } else if (e.m_nDevice >= 0 && e.m_nDevice < joyCount && read[e.m_nDevice]) {
            const plat::JoyReading& r = readings[e.m_nDevice];
            pressed = TestJoyAxis(r, e.m_sCode) || (static_cast<uint16_t>(e.m_sCode) & r.buttons) != 0;
        }
        if (!pressed) continue;
        if (i < 4)
            AddDirection(*this, i);
        else
            buttons |= 1 << (i - 4);
    }
    m_sButton = static_cast<int16_t>(buttons);
    return 1;
}

int cInputState::GetNumpadDir() {
    int v = (m_sDir & kDirLeft) ? 4 : (m_sDir & kDirRight) ? 6 : 5;
    if (m_sDir & kDirUp)
        v -= 3;
    else if (m_sDir & kDirDown)
        v += 3;
    m_nNumpad = v;
    return v;
}

void cInputState::SetRepeat(int delay, int interval) {
    m_nRepeatDelay = delay;
    m_nRepeatInterval = interval;
}

void cInputState::ApplyDirRepeat() {
    const int previous = m_sRepeatHistory & 0xF;
    const int raw = m_sDir & 0xF;
    m_sRepeatHistory = static_cast<int16_t>(static_cast<uint16_t>((static_cast<uint16_t>(m_sRepeatHistory) << 4) | raw));
    const uint32_t delay = static_cast<uint32_t>(m_nRepeatDelay);
    // An interval of 0 repeats every frame instead of dividing by zero.
    const uint32_t interval = m_nRepeatInterval == 0 ? 1u : static_cast<uint32_t>(m_nRepeatInterval);
    auto part = [&](int bits, int32_t& counter) {
        if ((raw & bits) != (previous & bits)) {
            counter = 0;
            return;
        }
        const uint32_t n = static_cast<uint32_t>(counter) + 1;
        counter = static_cast<int32_t>(n);
        if (!(n >= delay && n % interval == 0)) m_sDir = static_cast<int16_t>(m_sDir & ~bits);
    };
    part(kDirLeft | kDirRight, m_nRepeatCountH);
    part(kDirUp | kDirDown, m_nRepeatCountV);
}

void cInputState::ApplyButtonEdge(int mask) {
    if (mask == 0) mask = 0xFF;
    const int held = m_sButton & mask;
    if (m_nButtonLatch == 0) {
        if (held) m_nButtonLatch = 1;
        return;
    }
    m_sButton = static_cast<int16_t>(m_sButton & ~mask);
    if (!held) m_nButtonLatch = 0;
}

void cInputState::ClearDir() {
    m_sDir = 0;
    m_nNumpad = 5;
}

void cInputState::ClearButtons() { m_sButton = 0; }

void cInputState::ClearHistory() {
    for (auto& ring : m_History)
        for (auto& e : ring) e = InputRun{0, 0};
    m_nHistoryHead[0] = m_nHistoryHead[1] = 0;
}

void cInputState::ResetSequences() {
    m_DirSeq.assign(kDirSequences, KeySequence(kSequenceLength, KeyEdge{0, 0}));
    m_ButtonSeq.assign(kButtonSequences, KeySequence(kSequenceLength, KeyEdge{0, 0}));
}

void cInputState::Reset() {
    ClearHistory();
    ResetSequences();
    ClearDir();
    ClearButtons();
}

void cInputState::PushHistory() {
    const int16_t words[2] = {m_sDir, m_sButton};
    for (int k = 0; k < 2; ++k) {
        int32_t& head = m_nHistoryHead[k];
        head &= kHistoryLength - 1;
        InputRun& e = m_History[k][head];
        if (e.m_sValue == words[k]) {
            Saturate(e.m_nRun);
        } else {
            head = (head + 1) & (kHistoryLength - 1);
            m_History[k][head] = InputRun{words[k], 1};
        }
    }
}

int cInputState::GetHistory(int ring, int framesBack) const {
    if (ring < 0 || ring > 1) return 0;
    int index = m_nHistoryHead[ring] & (kHistoryLength - 1);
    int64_t n = static_cast<int64_t>(framesBack) + 1;
    for (int i = 0; i < kHistoryLength; ++i) {
        const InputRun& e = m_History[ring][index];
        if (e.m_nRun >= n) break;
        n -= e.m_nRun;
        index = (index - 1) & (kHistoryLength - 1);
    }
    return m_History[ring][index].m_sValue;
}

void cInputState::UpdateSequences() {
    if (m_DirSeq.size() != kDirSequences || m_ButtonSeq.size() != kButtonSequences) ResetSequences();
    for (int i = 0; i < kDirSequences; ++i) UpdateSequence(m_DirSeq[i], Holds(kDirConditions[i], m_sDir));
    UpdateSequence(m_ButtonSeq[0], m_sButton == 0);
    for (int k = 1; k < kButtonSequences; ++k) UpdateSequence(m_ButtonSeq[k], (m_sButton & (1 << (k - 1))) != 0);
}

// ---- reading the sequences ----

int GetFirstPressedKey(const cInputState& state) {
    const int n = std::min<int>(static_cast<int>(state.m_DirSeq.size()), cInputState::kDirSequences);
    for (int i = 0; i < n; ++i)
        if (!state.m_DirSeq[i].empty() && state.m_DirSeq[i].front().m_nState == 1) return i;
    return 0;
}

int GetInputDirection(int index, int ruleFlag, int facingRight, int replayVersion) {
    const int facing = facingRight ? 3 : 2;
    bool rule1 = ruleFlag != 0;
    // A replay keeps the rule of the version that recorded it.
    if (replayVersion >= 1 && replayVersion <= 777)
        rule1 = true;
    else if (replayVersion == 778 || replayVersion == 779)
        rule1 = false;
    static const int kCodes[9] = {0, 2, 3, 6, 7, 8, 9, 10, 11};
    if (index >= 1 && index <= 8) return kCodes[index];
    if (index == 9) return rule1 ? 0 : facing;
    // Index 0, and any index no sequence has, reads as no key: the facing.
    return facing;
}
