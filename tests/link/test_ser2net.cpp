// The module search behind Debian's ser2net on 127.0.0.1: over RFC 2217 the
// settings change through the server, behind a raw TCP port they are the
// server's own.
#include <gtest/gtest.h>

#include "cserialport.h"
#include "module_search.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "ser2netserver.h"
#include "serialscanline.h"

namespace {

TEST(Ser2netSearch, FindsTheModulesRateThroughRfc2217AndTriesOnceBehindRawTcp) {
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.lineRate = 19200;
    ASSERT_TRUE(sim.Start(options));
    Ser2netServer server;
    ASSERT_TRUE(server.Start(sim.DevicePath())) << server.Log();

    CSerialPort port;
    ModuleSession session(&port);
    SerialScanLine line(&port, &session);
    ScanOutcome outcome = SearchModule(line, {{server.Rfc2217Url(), 7}});
    port.Close();
    ASSERT_TRUE(outcome.found) << server.Log();
    EXPECT_FALSE(outcome.settingsFromServer);
    // A pseudo-terminal carries no parity: the first try at 19200 (8E1) answers.
    EXPECT_EQ((ScanSettings{19200, 2}), outcome.settings);
    EXPECT_EQ(3u, outcome.tries);
    EXPECT_EQ(7, outcome.port.number);

    // The raw port runs at the server's 115200: one try, and the module
    // does not hear it. A server set to the module's rate finds it.
    ASSERT_TRUE(server.WaitUntilIdle());
    outcome = SearchModule(line, {{server.RawUrl(), 8}});
    port.Close();
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(1u, outcome.tries);
    server.Stop();
    ASSERT_TRUE(server.Start(sim.DevicePath(), "19200n81")) << server.Log();
    outcome = SearchModule(line, {{server.RawUrl(), 8}});
    port.Close();
    EXPECT_TRUE(outcome.found);
    EXPECT_TRUE(outcome.settingsFromServer);
    EXPECT_EQ(1u, outcome.tries);
}

}  // namespace
