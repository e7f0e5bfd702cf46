#pragma once
// A host on a machine with two scripted drivers, "Alpha" (described as "Alpha Card") and "Beta".

#include "asio/AsioHost.h"
#include "tests/support/AsioTestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quenthal::test {

// A renderer of our own: writes channel c as the constant Level * (c + 1) and counts its calls.
struct TConstantRenderer {
    float Level = 0.25f;
    int Calls = 0;
    void Render(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray& out) {
        ++Calls;
        for (int32_t c = 0; c < out.Length(); ++c)
            for (int32_t i = 0; i < out.BufferSize(); ++i) out[c][i] = Level * float(c + 1);
    }
    TBufferSwitchEvent32 Event() { return TBufferSwitchEvent32::Of<&TConstantRenderer::Render>(this); }
};

class HostTest : public ::testing::Test {
protected:
    HostTest() {
        Alpha = Env.AddDriver("Alpha", "Alpha Card");
        Beta = Env.AddDriver("Beta");
    }
    void MakeHost() { Host = std::make_unique<TAsioHost>(Env.HostEnvironment()); }
    // Host with Alpha opened through DriverIndex.
    void OpenAlpha() {
        if (!Host) MakeHost();
        Host->SetDriverIndex(0);
    }
    TScriptedAsioDriver& Driver(const std::shared_ptr<TScriptedDriverControl>& control) {
        TScriptedAsioDriver* driver = control->Driver();
        EXPECT_NE(driver, nullptr);
        return *driver;
    }
    float OutputSample(const std::shared_ptr<TScriptedDriverControl>& control, int32_t channel, int32_t half, int32_t i) {
        float value;
        std::memcpy(&value, Driver(control).OutputHalf(channel, half) + 4 * i, 4);
        return value;
    }

    TAsioTestEnvironment Env;
    std::shared_ptr<TScriptedDriverControl> Alpha, Beta;
    std::unique_ptr<TAsioHost> Host;
};

}  // namespace quenthal::test
