#pragma once

// What making and reading a BPS patch share: the four kinds of action.
#include "patch/patchio.h"

namespace rq::patch {

enum Action { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

}  // namespace rq::patch
