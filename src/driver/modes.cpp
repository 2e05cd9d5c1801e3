#include "driver/modes.h"

i32 UciMode = 0;
i32 FritzMode = 0;
i32 DebugMode = 0;
