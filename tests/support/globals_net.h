#pragma once

#include <gtest/gtest.h>

#include <string>

// Puts every process-wide setting and run state back to its initial value, so
// that tests do not depend on their order.
void ReiniciarGlobals();

// Reads a config's text into the settings and the bodies with start-up's own
// reader, the echo thrown away; false when start-up would refuse it.
bool CarregarConfig(const std::string& text);

class AmbGlobalsNets : public ::testing::Test {
protected:
    void SetUp() override { ReiniciarGlobals(); }
    void TearDown() override { ReiniciarGlobals(); }
};
