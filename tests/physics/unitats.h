#pragma once

#include <gtest/gtest.h>

#include "physics/globals.h"

// G = 1 and steps of one second under attraction, so that worked examples come
// out in round numbers.
class AmbUnitats : public ::testing::Test {
protected:
    void SetUp() override
    {
        G = 1.0;
        FactorVelocitat = 1;
        TempsPerCicle = 1.0f;
        repulsio = false;
    }
    void TearDown() override
    {
        G = 0.0;
        FactorVelocitat = 1;
        TempsPerCicle = 0.0f;
        repulsio = false;
    }
};
