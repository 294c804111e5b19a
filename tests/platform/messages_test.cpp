#include <gtest/gtest.h>

#include <string>

#include "platform/messages.h"

namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_messages(); }
};

TEST_F(MessagesTest, ShowsAtMostFiveNewestLinesOldestFirst) {
  for (int i = 0; i < 7; ++i) post_message(("line " + std::to_string(i)).c_str());
  ASSERT_EQ(message_list().visible, 5);
  EXPECT_STREQ(visible_message(0), "line 2");
  EXPECT_STREQ(visible_message(4), "line 6");
  EXPECT_EQ(visible_message(5), nullptr);
  EXPECT_EQ(visible_message(-1), nullptr);
}

TEST_F(MessagesTest, ThousandAndFirstMessageOverwritesTheFirstLine) {
  for (int i = 0; i < 1001; ++i) post_message(("message " + std::to_string(i)).c_str());
  EXPECT_STREQ(message_list().lines[0].data(), "message 1000");
  EXPECT_STREQ(message_list().lines[1].data(), "message 1");
  EXPECT_EQ(message_list().write_index, 1);
  // The visible lines wrap across the end of the ring.
  EXPECT_STREQ(visible_message(3), "message 999");
  EXPECT_STREQ(visible_message(4), "message 1000");
}

TEST_F(MessagesTest, LongMessageIsCutTo127OnScreen) {
  std::string text(200, 'x');
  post_message(text.c_str());
  EXPECT_EQ(std::string(visible_message(0)), text.substr(0, 127));
  // A shorter message in the same slot later leaves no tail behind.
  for (int i = 0; i < message_ring_lines - 1; ++i) post_message("");
  post_message("short");
  EXPECT_STREQ(message_list().lines[0].data(), "short");
}

TEST_F(MessagesTest, LinesHideOneAtATimeAfterTheDeadline) {
  expire_messages(10.0);
  post_message("a");
  post_message("b");
  EXPECT_DOUBLE_EQ(message_list().deadline, 12.0);
  expire_messages(11.9);
  EXPECT_EQ(message_list().visible, 2);
  expire_messages(12.1);
  EXPECT_EQ(message_list().visible, 1);
  EXPECT_STREQ(visible_message(0), "b");
  expire_messages(17.0);  // next deadline is 12.1 + 5
  EXPECT_EQ(message_list().visible, 1);
  expire_messages(17.2);
  EXPECT_EQ(message_list().visible, 0);
  expire_messages(100.0);
  EXPECT_EQ(message_list().visible, 0);
}

TEST_F(MessagesTest, NewPostKeepsLinesUpForTwoSeconds) {
  post_message("a");
  expire_messages(1.5);
  post_message("b");  // deadline now 3.5
  expire_messages(3.0);
  EXPECT_EQ(message_list().visible, 2);
}

}  // namespace
