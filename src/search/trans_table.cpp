#include "search/trans_table.h"

u16 TransAge = 0;
