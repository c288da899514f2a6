#pragma once

#include <gtest/gtest.h>

namespace pelmora::test {

// A day stamped while a test acted may fall on either side of midnight: it is right when it is
// the day read just before the action or the day read just after it.
template <class Stamped, class Day>
::testing::AssertionResult isDayOfAction(const Stamped& stamped, const Day& before, const Day& after)
{
    if (stamped == before || stamped == after)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the stamped day is neither the day the action began nor the day it ended";
}

} // namespace pelmora::test
