#include "AnalysisDispatch.h"

#include <cstdlib>
#include <cstring>

namespace cornix {

namespace {

bool baselineForced()
{
    const char *value = std::getenv("CORNIX_ANALYSIS_BASELINE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

bool chooseAvx2()
{
#if CORNIX_HAS_AVX2_VARIANTS
    __builtin_cpu_init();
    return !baselineForced() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

} // namespace

bool AnalysisUsesAvx2()
{
    static const bool useAvx2 = chooseAvx2();
    return useAvx2;
}

const char *AnalysisInstructionSet() { return AnalysisUsesAvx2() ? "avx2" : "baseline"; }

} // namespace cornix
