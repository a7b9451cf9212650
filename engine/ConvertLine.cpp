// ConvertLine: the one place that picks the path a line takes.
#include "ConvertChar.h"
#include "ConvertPlan.h"
#include "EngineLevels.h"

#include <algorithm>
#include <stdexcept>
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
        if (const TConvertPlan* Plan = PlanFor(Options()))
            return Plan->Convert(S, SpLen(), Out, ActiveKernel());
    }
    ConvertLineByChar(*this, S, Out);
}

void ConvertLineAt(TEngineLevel Level, const THanZen& H, std::string_view S, std::string& Out) {
    static const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    if (std::find(Levels.begin(), Levels.end(), Level) == Levels.end())
        throw std::invalid_argument("engine level not available on this machine");
    if (typeid(H) == typeid(THanZen)) {
        if (const TConvertPlan* Plan = PlanFor(H.Options()))
            return Plan->Convert(S, H.SpLen(), Out, KernelOf(Level));
    }
    ConvertLineByChar(H, S, Out);
}
