// The remove message a start that hands over sends; the sending itself is tried on a real X
// server by the end-to-end start-up test.
#include "platform/StartupNotify.h"

#include <gtest/gtest.h>

TEST(StartupNotify, TheRemoveMessageQuotesAnIdOnlyWhenItMust) {
    EXPECT_EQ(StartupRemoveMessage("gnome-shell-1234-host-vexilpro-1_TIME5678"),
              "remove: ID=gnome-shell-1234-host-vexilpro-1_TIME5678");
    EXPECT_EQ(StartupRemoveMessage("a b"), "remove: ID=\"a b\"");
    EXPECT_EQ(StartupRemoveMessage("q\"\\"), "remove: ID=\"q\\\"\\\\\"");
}

TEST(StartupNotify, TheMessageTravelsInPiecesOfTwentyBytesEndedByANul) {
    // 19 characters and the NUL fill exactly one piece; one more makes a second.
    auto pieces = StartupMessagePieces("remove: ID=12345678");
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], std::string("remove: ID=12345678\0", 20));
    pieces = StartupMessagePieces("remove: ID=123456789");
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1], std::string(20, '\0'));
    pieces = StartupMessagePieces(std::string(45, 'x'));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2], std::string(5, 'x') + std::string(15, '\0'));
}

TEST(StartupNotify, NothingIsSentWithoutAnIdOrADisplay) {
    EXPECT_FALSE(CompleteStartupNotification(":0", ""));
    EXPECT_FALSE(CompleteStartupNotification("unix:/no/such/display.9", "id"));
}
