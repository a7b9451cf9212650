// The reference for the engine's fast path: a descendant of THanZen that changes nothing.
// ConvertLine on an object of exactly THanZen runs the plan compiled from its options;
// any descendant walks the reference step, mapping by mapping, through the virtual
// operations. So this class is the plain reading of the rules, and every faster path is
// checked against it (tests, fuzzers, benchmarks).
#pragma once

#include "HanZen.h"

class VirtualHanZen : public THanZen {
public:
    using THanZen::THanZen;
};
