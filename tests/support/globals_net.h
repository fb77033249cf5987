#pragma once

#include <gtest/gtest.h>

// Puts every process-wide setting and run state back to its initial value, so
// that tests do not depend on their order.
void ReiniciarGlobals();

class AmbGlobalsNets : public ::testing::Test {
protected:
    void SetUp() override { ReiniciarGlobals(); }
    void TearDown() override { ReiniciarGlobals(); }
};
