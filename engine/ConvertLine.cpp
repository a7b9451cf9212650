// ConvertLine: the one place that picks the path a line takes.
#include "ConvertChar.h"
#include "ConvertPlan.h"
#include "EngineLevels.h"
#include "TabStops.h"

#include <algorithm>
#include <stdexcept>
#include <typeinfo>

using namespace kana::detail;

namespace {

// The line converted by the plan of H's options at the kernel given, or by the reference
// step for a descendant of THanZen, which may override any mapping; appended to Out.
void AppendConverted(const THanZen& H, std::string_view S, std::string& Out, TKernel Kernel) {
    if (typeid(H) == typeid(THanZen)) {
        if (const TConvertPlan* Plan = PlanFor(H.Options()))
            return Plan->Append(S, H.SpLen(), Out, Kernel);
    }
    AppendLineByChar(H, S, Out);
}

// The same, and then the tab stops.
void AppendLineAt(const THanZen& H, std::string_view S, std::string& Out, TKernel Kernel) {
    const std::int32_t Stops = H.Options().TabStops;
    if (Stops <= 0) return AppendConverted(H, S, Out, Kernel);
    thread_local std::string Converted;
    Converted.clear();
    AppendConverted(H, S, Converted, Kernel);
    std::uint64_t Column = 0;
    ExpandTabStops(Converted, false, Stops, Column, Out);
}

} // namespace

std::string THanZen::ConvertLine(std::string_view S) const {
    std::string Out;
    AppendLine(S, Out);
    return Out;
}

void THanZen::ConvertLine(std::string_view S, std::string& Out) const {
    Out.clear();
    AppendLine(S, Out);
}

void THanZen::AppendLine(std::string_view S, std::string& Out) const {
    AppendLineAt(*this, S, Out, ActiveKernel());
}

namespace kana::detail {

void ConvertLineAt(TEngineLevel Level, const THanZen& H, std::string_view S, std::string& Out) {
    static const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    if (std::find(Levels.begin(), Levels.end(), Level) == Levels.end())
        throw std::invalid_argument("engine level not available on this machine");
    Out.clear();
    AppendLineAt(H, S, Out, KernelOf(Level));
}

} // namespace kana::detail
