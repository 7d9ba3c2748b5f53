// The start of every test of applications' sockets through the layer: a quiet installation,
// the stand-in catalogue with the filter's chains ordered first, and Winsock started.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/WinsockSession.h"

class LayeredSessionTest : public ::testing::Test {
protected:
    CQuietInstallation m_log;
    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
    CWinsockSession m_session;
};
