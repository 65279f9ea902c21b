#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// config.ini compared byte for byte with a file kept in tests/data. The
// simulator's device, which changes from run to run, stands there as
// "@DEVICE@". With QUILLON_GOLDEN_OUT=FOLDER the bytes found are written to
// FOLDER instead, for a change of the file that is meant.
inline void ExpectSameBytesAs(const std::string& name, std::string bytes,
                              const std::string& device) {
    for (size_t at = bytes.find(device); !device.empty() && at != std::string::npos;
         at = bytes.find(device, at))
        bytes.replace(at, device.size(), "@DEVICE@");
    if (const char* out = std::getenv("QUILLON_GOLDEN_OUT")) {
        std::ofstream(std::string(out) + "/" + name, std::ios::binary) << bytes;
        return;
    }
    std::ifstream in(std::string(QUILLON_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    ASSERT_TRUE(in.good()) << name;
    const std::string expected((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, expected) << name;
}
