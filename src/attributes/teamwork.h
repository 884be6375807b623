// Team work: several users (sessions) work on one project, and each exclusive right
// to change a part of it is held by at most one session. The team record
// `DBTEAMWORKTYPE` lists the sessions (`DBSESSIONTYPE`) and answers look-ups by
// position, identifier and name; `SERVERINFO` pairs it with the project's
// information; `SERVICEMESSAGE` and `ERRORMESSAGE` are the messages of the team-work
// service. These are plain operations on records: no input or output.
//
// Positions count from 0 in the session array. A look-up that finds nothing answers
// -1 (positions, identifiers, statuses) or null (names); the type of a session that
// is not there, and of the active session when none is active, is that of a member
// (0), never that of the leader or of a visitor.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/orb_string.h"
#include "foundation/text_buffer.h"

// Field widths, terminator included.
inline constexpr int kSessionNameSize = 32;        // the user's name, at most 31
inline constexpr int kSessionSecondNameSize = 12;  // the second name, at most 11
inline constexpr int kTeamNameSize = 12;           // the team's name, at most 11
inline constexpr int kTeamShortCount = 6;          // 16-bit values of the team header
inline constexpr int kTeamLongCount = 17;          // 32-bit values of the team header

// One authority of a session; its meaning is the host's, copied as it stands.
struct DBAUTHORITYTYPE {
  int16_t object = 0;  // what the authority covers
  int32_t value = 0;   // what it allows
};

class DLIST_API DBAUTHORITYCHAIN : public PRAS<DBAUTHORITYTYPE, 4, 4> {
 public:
  using PRAS<DBAUTHORITYTYPE, 4, 4>::PRAS;
};

// One user's session of the project.
struct DLIST_API DBSESSIONTYPE {
  static constexpr char kWorked = 1;   // status: has worked on the project
  static constexpr char kActive = 2;   // status: the session of this user
  static constexpr char kOffline = 3;  // status: works offline

  int16_t id = 0;                          // session identifier
  int32_t second = 0;                      // copied, not interpreted here
  int8_t type = 0;                         // < 0 the team leader, > 0 a visitor, 0 a member
  uint8_t status = 0;                      // kWorked, kActive or kOffline
  int32_t rights = 0;                      // the right bits this session holds
  char name[kSessionNameSize] = {};        // the user's name
  char second_name[kSessionSecondNameSize] = {};  // copied
  TEXTBUFFER text;                         // copied
  DBAUTHORITYCHAIN authorities;            // copied record by record

  // Sets the name, cut to 31 characters and always terminated.
  void set_name(const char* text);
};

class DLIST_API DBSESSIONCHAIN : public PRAS<DBSESSIONTYPE, 4, 4> {
 public:
  using PRAS<DBSESSIONTYPE, 4, 4>::PRAS;
};

// The team of a project and its sessions.
class DLIST_API DBTEAMWORKTYPE {
 public:
  DBTEAMWORKTYPE() = default;
  DBTEAMWORKTYPE(const DBTEAMWORKTYPE& other);
  // Copies the header field by field and rebuilds the sessions record by record;
  // when memory is short the sessions stay as they were.
  DBTEAMWORKTYPE& operator=(const DBTEAMWORKTYPE& other);
  ~DBTEAMWORKTYPE() = default;

  // Header, copied as it stands; its meaning is the host's.
  int32_t ident = 0;                     // the team's identifier
  char team_name[kTeamNameSize] = {};    // the team's name
  int16_t shorts[kTeamShortCount] = {};  // six 16-bit values
  int32_t longs[kTeamLongCount] = {};    // seventeen 32-bit values
  int16_t admin = 0;                     // identifier of the administrator's session
  DBSESSIONCHAIN sessions;

  // Position of the session named name / with identifier id; -1 when none.
  int index(const char* name) const;
  int index(short id) const;
  // Identifier of the session named name; -1 when none.
  short idx(const char* name) const;
  // Name of the session with identifier id; null when none.
  char* name(short id);
  const char* name(short id) const;
  // Status of the session named name / with identifier id; -1 when none.
  char status(const char* name) const;
  char status(short id) const;
  // Type of the session named name / with identifier id; 0 (a member) when none.
  char type(const char* name) const;
  char type(short id) const;
  // Sets the type of the session with identifier id; nothing when there is none.
  void type(short id, char type);
  // Position of the administrator's session; -1 when none.
  int adminsession() const;
  // Position / identifier of the first session with status kActive; -1 when none.
  int actsession() const;
  short actsessionidx() const;
  // Type of the active session; 0 (a member) when none is active.
  char type() const;
  // True when the active session is a visitor; false when none is active.
  bool is_visitor() const;
  // Identifier of the first session with a negative type (the leader); -1 when none.
  short leader() const;
  // True when the session with identifier id has status kWorked / kOffline; false
  // when there is no such session.
  bool is_worked(short id) const;
  bool is_offline(short id) const;
  // Position of the first session holding any bit of right; -1 when none (and for
  // a right without bits).
  int is_right(long right) const;
  // Name of that session; null when none.
  char* owner_right(long right);
  // Clears the bits of right in every session that holds any of them; no session
  // changes when none holds them.
  void clear_right(long right);
  // Clears right as clear_right, then sets its bits in the session at position;
  // a position outside the sessions only clears.
  void set_right(long right, short position);

 private:
  const DBSESSIONTYPE* find(short id) const;
  void copy_header(const DBTEAMWORKTYPE& other);
};

// The project's information; its meaning is the host's, copied as it stands.
struct APJINFO {
  char name[32] = {};    // the project's name
  char path[260] = {};   // the project's file
  int32_t version = 0;   // the version of the project's data
  int32_t flags = 0;
};

// What the team-work server tells of a project: its information and its team.
struct DLIST_API SERVERINFO {
  APJINFO project;
  DBTEAMWORKTYPE team;
};

// A message of the team-work service.
struct DLIST_API SERVICEMESSAGE {
  static constexpr int kDataSize = 64;

  SERVICEMESSAGE();
  // Empties the message (every field as new) and keeps its subject.
  void reset();

  int8_t kind = -1;                  // -1: empty
  int32_t value = 0;
  uint16_t words[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  unsigned char data[kDataSize] = {};
  ORB::String subject;               // "Teamwork Service Message" when new
};

// The numbers of a team-work error: -1 each when new.
struct ERRORMESSAGE {
  int16_t codes[4] = {-1, -1, -1, -1};
};

extern template class PDA<DBAUTHORITYTYPE, 4, 4>;
extern template class PRAS<DBAUTHORITYTYPE, 4, 4>;
extern template class PDA<DBSESSIONTYPE, 4, 4>;
extern template class PRAS<DBSESSIONTYPE, 4, 4>;
