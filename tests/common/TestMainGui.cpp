#include "tests/common/TestEnv.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    artikel::test::SetUpSandbox();
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    artikel::test::TearDownSandbox();
    return rc;
}
