// ConvertLine: the one place that picks the path a line takes.
#include "ConvertChar.h"
#include "ConvertPlan.h"

#include <typeinfo>

std::string THanZen::ConvertLine(std::string_view S) const {
    std::string Out;
    ConvertLine(S, Out);
    return Out;
}

void THanZen::ConvertLine(std::string_view S, std::string& Out) const {
    // An object of exactly this class takes the plan compiled from its options; a
    // descendant may override any mapping and walks the reference step.
    if (typeid(*this) == typeid(THanZen)) {
        if (const TConvertPlan* Plan = PlanFor(Options())) return Plan->Convert(S, SpLen(), Out);
    }
    ConvertLineByChar(*this, S, Out);
}
