#pragma once

#include "OfficeSim.h"
#include "TempHome.h"

#include <gtest/gtest.h>

// A test whose suite shares one simulator, started once and reset before
// every test, with a temporary home whose settings point every host at it.
class SimTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { sim = new OfficeSim("--exit-on-stdin-eof --quiet"); }
    static void TearDownTestSuite()
    {
        delete sim;
        sim = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(sim->Running());
        sim->Reset();
        sim->WriteSettings(home.SettingsFile());
    }

    static inline OfficeSim* sim = nullptr;
    TempHome home;
};
