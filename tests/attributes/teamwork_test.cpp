// The team record's look-ups with no sessions and with several, rights passed
// between sessions as single bits, and the records' states when new.
#include "attributes/teamwork.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DBSESSIONTYPE session(short id, const char* name, int type, int status, int32_t rights = 0) {
  DBSESSIONTYPE s;
  s.id = id;
  s.set_name(name);
  s.type = static_cast<int8_t>(type);
  s.status = static_cast<uint8_t>(status);
  s.rights = rights;
  return s;
}

// Session 0 "ann" (id 7, leader, worked, right 4), 1 "bob" (id 9, visitor, active),
// 2 "cid" (id 11, member, offline, right 1); the administrator is bob.
DBTEAMWORKTYPE team_of_three() {
  DBTEAMWORKTYPE team;
  team.sessions.push(session(7, "ann", -1, 1, 4));
  team.sessions.push(session(9, "bob", 1, 2));
  team.sessions.push(session(11, "cid", 0, 3, 1));
  team.admin = 9;
  return team;
}

TEST(Teamwork, WithoutSessionsEveryLookUpFindsNothing) {
  DBTEAMWORKTYPE team;
  EXPECT_EQ(team.index("ann"), -1);
  EXPECT_EQ(team.index(short{7}), -1);
  EXPECT_EQ(team.idx("ann"), -1);
  EXPECT_EQ(team.name(7), nullptr);
  EXPECT_EQ(team.status("ann"), -1);
  EXPECT_EQ(team.status(short{7}), -1);
  EXPECT_EQ(team.adminsession(), -1);
  EXPECT_EQ(team.actsession(), -1);
  EXPECT_EQ(team.actsessionidx(), -1);
  EXPECT_EQ(team.leader(), -1);
  EXPECT_EQ(team.is_right(4), -1);
  EXPECT_EQ(team.owner_right(4), nullptr);
  EXPECT_FALSE(team.is_worked(7));
  EXPECT_FALSE(team.is_offline(7));
  // Without an active session the user counts as a member, not a visitor.
  EXPECT_EQ(team.type(), 0);
  EXPECT_FALSE(team.is_visitor());
  team.type(7, 1);  // nobody to set
  team.clear_right(4);
  team.set_right(4, 0);
  EXPECT_EQ(team.sessions.size(), 0u);
}

TEST(Teamwork, LooksSessionsUpByNameIdAndStatus) {
  DBTEAMWORKTYPE team = team_of_three();
  EXPECT_EQ(team.index("cid"), 2);
  EXPECT_EQ(team.index("CID"), -1);
  EXPECT_EQ(team.index(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(team.index(short{9}), 1);
  EXPECT_EQ(team.idx("bob"), 9);
  EXPECT_STREQ(team.name(11), "cid");
  EXPECT_EQ(team.status("ann"), 1);
  EXPECT_EQ(team.status(short{11}), 3);
  EXPECT_EQ(team.type("ann"), -1);
  EXPECT_EQ(team.type("nobody"), 0);  // an unknown session is no leader
  EXPECT_EQ(team.type(short{9}), 1);
  EXPECT_EQ(team.adminsession(), 1);
  EXPECT_EQ(team.actsession(), 1);
  EXPECT_EQ(team.actsessionidx(), 9);
  EXPECT_EQ(team.type(), 1);
  EXPECT_TRUE(team.is_visitor());
  EXPECT_EQ(team.leader(), 7);
  EXPECT_TRUE(team.is_worked(7));
  EXPECT_FALSE(team.is_worked(9));
  EXPECT_TRUE(team.is_offline(11));
  team.type(9, 0);
  EXPECT_FALSE(team.is_visitor());
  // A full-width name matches only itself.
  team.sessions[0].set_name("abcdefghijklmnopqrstuvwxyz012345");  // cut to 31
  EXPECT_EQ(team.index("abcdefghijklmnopqrstuvwxyz01234"), 0);
  EXPECT_EQ(team.index("abcdefghijklmnopqrstuvwxyz012345"), -1);
}

TEST(Teamwork, RightsPassAsSingleBits) {
  DBTEAMWORKTYPE team = team_of_three();
  EXPECT_EQ(team.is_right(4), 0);
  EXPECT_STREQ(team.owner_right(4), "ann");
  team.set_right(4, 1);  // from session 0 to 1
  EXPECT_EQ(team.sessions[0].rights, 0);
  EXPECT_EQ(team.sessions[1].rights, 4);
  EXPECT_EQ(team.is_right(4), 1);
  // Beyond the last session (or before the first) the right is only taken away.
  team.set_right(4, 3);
  EXPECT_EQ(team.is_right(4), -1);
  team.set_right(1, -1);
  EXPECT_EQ(team.sessions[2].rights, 0);
  // Passing a right that nobody holds touches no other bit of any session.
  team.sessions[0].rights = 2 | 8;
  team.clear_right(4);
  EXPECT_EQ(team.sessions[0].rights, 10);
  team.set_right(4, 0);
  team.set_right(4, 0);  // given twice, still one bit
  EXPECT_EQ(team.sessions[0].rights, 14);
  // The top bit is a right like any other.
  team.set_right(static_cast<long>(0x80000000u), 2);
  EXPECT_EQ(static_cast<uint32_t>(team.sessions[2].rights), 0x80000000u);
  EXPECT_EQ(team.is_right(0), -1);
}

TEST(Teamwork, CopiesAreDeepAndMessagesStartEmpty) {
  DBTEAMWORKTYPE team = team_of_three();
  team.ident = 5;
  std::strcpy(team.team_name, "north");
  team.longs[16] = 99;
  team.sessions[0].text.put("note");
  DBAUTHORITYTYPE authority;
  authority.value = 3;
  team.sessions[0].authorities.push(authority);
  DBTEAMWORKTYPE copy;
  copy.sessions.push(session(1, "old", 0, 0));
  copy = team;
  team.sessions[0].text.put("changed");
  team.sessions[0].authorities[0].value = 4;
  EXPECT_EQ(copy.ident, 5);
  EXPECT_STREQ(copy.team_name, "north");
  EXPECT_EQ(copy.longs[16], 99);
  EXPECT_EQ(copy.admin, 9);
  ASSERT_EQ(copy.sessions.size(), 3u);
  EXPECT_STREQ(copy.sessions[0].text.get(), "note");
  EXPECT_EQ(copy.sessions[0].authorities[0].value, 3);

  SERVICEMESSAGE message;
  EXPECT_EQ(message.kind, -1);
  EXPECT_EQ(message.words[3], 0xFFFF);
  EXPECT_STREQ(message.subject.c_str(), "Teamwork Service Message");
  message.kind = 4;
  message.value = 1;
  message.data[63] = 7;
  message.subject = "other";
  message.reset();
  EXPECT_EQ(message.kind, -1);
  EXPECT_EQ(message.value, 0);
  EXPECT_EQ(message.data[63], 0);
  EXPECT_STREQ(message.subject.c_str(), "other");
  EXPECT_EQ(ERRORMESSAGE().codes[0], -1);
}

}  // namespace
