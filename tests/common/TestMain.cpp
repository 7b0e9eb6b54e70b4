#include "tests/common/TestEnv.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    artikel::test::SetUpSandbox();
    // A core application gives the loader tests an event loop on the interface thread.
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    artikel::test::TearDownSandbox();
    return rc;
}
