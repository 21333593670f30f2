// The LCA identity check: the control LCA's and the data LCA's identity registers each hold a
// configured chip's identity in their low 16 bits; 0 or FFFF means an LCA that did not load.
#pragma once

#include "KARVO7DLL.h"
#include "card/Verdict.h"

namespace k7check {

// "OK", or "LCA ID %04X" of the first identity that is none.
Verdict checkLcaIdentities(KARVO7HANDLE card);

}  // namespace k7check
