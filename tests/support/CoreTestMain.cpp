// The main of the test binaries of the QtCore-only libraries and of the encoder: an event loop
// and no widgets, so linking one of these binaries proves its libraries need no QtWidgets.
#include "TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    PrepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
