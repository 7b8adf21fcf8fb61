#pragma once

// The artwork's resources in Brouillamine.exe, shared by artwork.rc and the code.
#define BROUILLAMINE_ICON 1
#define BROUILLAMINE_BACKGROUND 2
