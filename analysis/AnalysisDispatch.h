#pragma once
// Run-time choice of the instruction set for the analysis passes.
//
// Every pass that profits from wider vectors is compiled twice: for the
// baseline x86-64 instruction set and for AVX2 with FMA. The AVX2 code runs
// when the processor has both and the environment variable
// CORNIX_ANALYSIS_BASELINE is not set to a non-empty value other than "0"
// (read once, on first use). Both give the same results to the last bit: the
// passes use the same operations in the same order per pixel, floating-point
// expressions are never contracted into fused multiply-adds (the analysis
// library is compiled with -ffp-contract=off), and the extended-precision
// sums run on the x87 unit in both.

namespace cornix {

// True when the AVX2 variants run.
bool AnalysisUsesAvx2();

// "avx2" or "baseline": for benchmarks and logs.
const char *AnalysisInstructionSet();

} // namespace cornix

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define CORNIX_HAS_AVX2_VARIANTS 1
#define CORNIX_AVX2_TARGET __attribute__((target("avx2,fma")))
#else
#define CORNIX_HAS_AVX2_VARIANTS 0
#define CORNIX_AVX2_TARGET
#endif

// For the bodies of dispatched passes: always inlined into both variants.
#if defined(__GNUC__)
#define CORNIX_KERNEL_BODY inline __attribute__((always_inline))
#else
#define CORNIX_KERNEL_BODY inline
#endif

// Defines `ret name params` calling `body args` compiled for the baseline or,
// when AnalysisUsesAvx2(), for AVX2. body must be a CORNIX_KERNEL_BODY function without a target of
// its own, so that it inlines into both. CORNIX_DISPATCH_EACH takes a body for each
// (the same procedure with other vector widths, say): both must give the same results.
#if CORNIX_HAS_AVX2_VARIANTS
#define CORNIX_DISPATCH_EACH(ret, name, params, baselineBody, avx2Body, args)                               \
    namespace {                                                                                              \
    __attribute__((noinline)) ret name##Baseline params { return baselineBody args; }                        \
    __attribute__((noinline)) CORNIX_AVX2_TARGET ret name##Avx2 params { return avx2Body args; }             \
    }                                                                                                        \
    ret name params { return ::cornix::AnalysisUsesAvx2() ? name##Avx2 args : name##Baseline args; }
#else
#define CORNIX_DISPATCH_EACH(ret, name, params, baselineBody, avx2Body, args)                               \
    ret name params { return baselineBody args; }
#endif
#define CORNIX_DISPATCH(ret, name, params, body, args) CORNIX_DISPATCH_EACH(ret, name, params, body, body, args)
