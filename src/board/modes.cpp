#include "board/modes.h"

i32 UciMode = 0;
i32 FritzMode = 0;
i32 DebugMode = 0;
i32 ForceMode = 0;
i32 PostFlag = 0;
i32 PonderEnabled = 1;
i32 PonderingAllowed = 1;
