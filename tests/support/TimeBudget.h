#pragma once

#include <chrono>

namespace pelmora::test {

// How many times longer a test may take than on a plain build. The bounds in tests are there to
// catch a step that went quadratic or a wait that never ends, not to measure speed (that is the
// benchmarks' job); sanitizer builds run several times slower, and CI shares its machine.
constexpr int kSlowdown =
#if defined(__SANITIZE_ADDRESS__)
    10
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    10
#else
    1
#endif
#else
    1
#endif
    ;

// A bound for a test's step: `plain` on a plain build, scaled on a sanitizer build.
template <class Rep, class Period> constexpr auto budget(std::chrono::duration<Rep, Period> plain)
{
    return plain * kSlowdown;
}

} // namespace pelmora::test
