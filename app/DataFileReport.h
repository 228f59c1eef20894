#pragma once
#include "Engine.h"

// Keeps a damaged data file aside (if the engine's last load found one) and tells the user once,
// naming both files and what was kept. Nothing happens after a whole load.
void ReportDataFileDamage(Engine& engine);
