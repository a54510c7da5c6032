#pragma once

// The program's resources: read by the resource compiler and by the windows.
#define TESSAVO_ICON 1
#define TESSAVO_PICTURE_LEFT 101
#define TESSAVO_PICTURE_RIGHT 102
