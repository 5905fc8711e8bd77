#include <gtest/gtest.h>

#include "panel/IdlePacer.h"

using panel::IdlePacer;

TEST(IdlePacer, StaysBusyWhilePublicationsFlowAndSlowsAfterAQuietSpell) {
    IdlePacer pacer;
    EXPECT_EQ(pacer.Next(3), IdlePacer::kBusyMs);
    // A slow link leaves a few passes empty between reads: the pace must not drop then.
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < IdlePacer::kQuietPasses - 1; ++i)
            EXPECT_EQ(pacer.Next(0), IdlePacer::kBusyMs);
        EXPECT_EQ(pacer.Next(1), IdlePacer::kBusyMs);
    }
    for (int i = 0; i < IdlePacer::kQuietPasses - 1; ++i)
        pacer.Next(0);
    EXPECT_EQ(pacer.Next(0), IdlePacer::kQuietMs);
    EXPECT_EQ(pacer.Next(0), IdlePacer::kQuietMs);
    // The first publication brings the busy pace back at once.
    EXPECT_EQ(pacer.Next(1), IdlePacer::kBusyMs);
}
