#include "eval/eval_cache.h"

EvalCacheEntry* EvalCache = nullptr;

void ClearEvalCache() {
    if (EvalCache == nullptr) return;
    for (u32 i = 0; i < EvalCacheRecords; i++) EvalCache[i].key.Set(WipedKey);
}
