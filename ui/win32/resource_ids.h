#pragma once

// Resources of Brouillamine.exe, shared by its resource script and its code.
#define BROUILLAMINE_ICON 1
#define BROUILLAMINE_BACKGROUND 2
