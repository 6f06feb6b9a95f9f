#include "planning/overlap_limit.h"

namespace kalvora {

int OverlapWidthMaxOfRecords(const Settings& settings)
{
    int width = settings.OutputWidth, height = 0;
    OutputFormatSize(settings.output(1, 1).OutputFormat, width, height);
    return width / 2;
}

int OverlapWidthMax(const Settings& settings, const PlanState& plan)
{
    return settings.SettingsAvailable() ? OverlapWidthMaxOfRecords(settings) : plan.OverlapWidthMax;
}

}  // namespace kalvora
