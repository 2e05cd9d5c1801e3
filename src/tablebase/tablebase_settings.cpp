// The tablebase settings with their values at start-up.
#include "tablebase/tablebase_settings.h"

i32 UseEgtb = 1;
char EgtbPath[EgtbPathSize] = "c:\\tablebases\\";
i32 EgtbMaxPieces = 0;
u64 EgtbIndexBytes = 0;
u32 EgtbCacheBytes = DefaultEgtbCacheBytes;
