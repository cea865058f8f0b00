// Key sequences of flows: a list of key entries that must have been met one
// after the other, each with its hold time, as in the command inputs of
// fighting games. The matcher walks a cursor backwards in time through the
// per-key run histories of an input state: the last entry must hold now,
// every earlier one where the hold of the entry after it began, give or
// take a few frames.
//
// Keys 0..9 are the direction sequences 0..9 of the input state, keys
// 10..18 its button sequences 0..8.
#pragma once
#include <cstdint>

#include "app/input_state.h"
#include "core/containers.h"

class cFlowRun;
class cKeyCond;

constexpr int kSeqKeys = cInputState::kDirSequences + cInputState::kButtonSequences;

// Where the matcher stands in the histories of `input`, per key: the run
// it is in (0 = the current, still growing run) and how long the key had
// been in that run's state at that moment.
struct KeyCursor {
    const cInputState* input = nullptr;
    int32_t k[kSeqKeys] = {};
    int64_t l[kSeqKeys] = {};
};

// Run k of key `key`. A run the histories lack (a short or missing
// sequence, an index outside them) reads as an up run of no length.
KeyEdge GetKeyRun(const cInputState* input, int key, int k);
// The cursor at the present moment: every key at its current run, for
// that run's whole length.
KeyCursor MakeKeyCursor(const cInputState* input);
// Moves every key of the cursor by `a` frames, back in time when a <= 0.
void ShiftKeyCursor(KeyCursor& cursor, int64_t a);

// One requirement (1 down, 2 up) of `entry` against a run, `l` frames into
// it: a down run held between the entry's minimum and maximum (or for any
// positive time when the entry says so), or an up run of positive length.
bool TestKeyRun(const KeyEdge& run, int64_t l, const cKeyCond& entry, int need);
// One entry at the cursor. `measured` gets the hold time of the keys that
// met their requirement: the shortest (mode 0), the longest (mode 1) or the
// last one examined (other modes). Facing-relative entries are mirrored
// for a chara facing left.
bool MatchKeyEntry(const cKeyCond& entry, const KeyCursor& cursor, int64_t& measured, int facingRight);
// The whole sequence of `entries` in the histories of `input`, each
// earlier entry looked for up to `tolerance` frames before the hold of the
// next one began. A continuous flow that matched before passes as long as
// the last entry holds. Fails without an input state.
bool MatchKeySequence(const cFlowRun& run, const cVector<const cKeyCond*>& entries, int tolerance,
                      const cInputState* input, int facingRight);
