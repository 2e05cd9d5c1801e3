// The one evaluation record.
#include "eval/eval_info.h"

#include <type_traits>

// Evaluate() clears the record with a plain assignment and the search copies
// fields out of it; both need a record of plain data.
static_assert(std::is_trivially_copyable_v<EvalInfo> && std::is_standard_layout_v<EvalInfo>,
              "the evaluation record is plain data");

EvalInfo eval_info;
