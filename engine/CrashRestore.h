#pragma once

// The last restore of a crashing process: every top-level window left with an alpha of its own
// (WS_EX_LAYERED and LWA_ALPHA alone, below 255) is given alpha 255. Waits for no other thread,
// takes no lock and allocates nothing, so that it can run from an unhandled-exception filter.
void RestoreWindowsAfterCrash();
