#include "BatchEndNotice.h"

#include "Dialogs.h"

#include <gtest/gtest.h>

TEST(BatchEndNotice, OnlyABatchThatRanToItsEndWhileHiddenInTheTraySaysSo)
{
    EXPECT_EQ(BatchEndTrayMessage(true, IDOK, false), QStringLiteral("Tonewright: encoding finished"));
    EXPECT_EQ(BatchEndTrayMessage(true, IDOK, true), QStringLiteral("Tonewright: encoding finished with errors"));
    // On screen the progress window's end is seen; a stop the user made needs no word.
    EXPECT_TRUE(BatchEndTrayMessage(false, IDOK, false).isEmpty());
    EXPECT_TRUE(BatchEndTrayMessage(false, IDOK, true).isEmpty());
    EXPECT_TRUE(BatchEndTrayMessage(true, IDCANCEL, false).isEmpty());
    EXPECT_TRUE(BatchEndTrayMessage(true, IDCANCEL, true).isEmpty());
}
