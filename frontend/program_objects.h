// The program-wide objects of the game and the floors below it, built and
// released in one place in the order of the program-wide objects table, so
// nothing depends on the order in which static initialisation reaches the
// files that define them. The shell builds its own window objects first and
// releases them last.
#pragma once

// Builds every object fresh, in table order (an object already built is
// replaced).
void BuildProgramObjects();
// Releases them in the reverse order; stops the worker threads on the way.
void ReleaseProgramObjects();
// Both in turn: the state of a fresh start, for tests.
void ResetProgramObjects();
