#ifndef VOLAX_TESTS_HOST_FIXTURE_H
#define VOLAX_TESTS_HOST_FIXTURE_H

#include "XPLMHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestPlatform.h"

// Every test starts from a freshly reset host with no log file and a
// private preferences folder.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        volax::test::unsetEnv("HOSTTEST_REFUSE");
        volax::test::unsetEnv("HOSTTEST_THROW_START");
        volax::test::unsetEnv("HOSTTEST_INTERVAL");
        xphost::reset();
        xphost::setEcho(false);
        xphost::setOutputDir("");
        dir_ = volax::test::TempDir("xphost-test").release();
        ASSERT_FALSE(dir_.empty());
        xphost::setPrefsDir(dir_);
    }
    void TearDown() override {
        xphost::reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Loads and enables a plugin file, failing the test otherwise.
    int load(const char* path) {
        std::string err;
        const int index = xphost::loadPlugin(path, &err);
        EXPECT_GE(index, 0) << err;
        if (index >= 0) {
            EXPECT_TRUE(xphost::enablePlugin(index));
        }
        return index;
    }
    static bool logHas(const std::string& text) { return xphost::logText().find(text) != std::string::npos; }
    static size_t logCount(const std::string& text) {
        const std::string log = xphost::logText();
        size_t n = 0;
        for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
        return n;
    }
    std::string dir_;
};

#endif
