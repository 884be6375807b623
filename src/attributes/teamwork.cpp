// The look-ups of the team record over its sessions, and the right bits passed
// between sessions.
#include "attributes/teamwork.h"

#include <cstring>
#include <string_view>

#include "foundation/fixed_text.h"

template class PDA<DBAUTHORITYTYPE, 4, 4>;
template class PRAS<DBAUTHORITYTYPE, 4, 4>;
template class PDA<DBSESSIONTYPE, 4, 4>;
template class PRAS<DBSESSIONTYPE, 4, 4>;

namespace {

// The right word holds 32 bits; bits of right beyond them match no session.
uint32_t right_bits(long right) {
  return static_cast<uint32_t>(static_cast<unsigned long>(right));
}

bool named(const DBSESSIONTYPE& session, const char* name) {
  return name != nullptr && dlist::field_text(session.name) == std::string_view(name);
}

}  // namespace

void DBSESSIONTYPE::set_name(const char* text) {
  dlist::set_field(name, sizeof name, text);
}

DBTEAMWORKTYPE::DBTEAMWORKTYPE(const DBTEAMWORKTYPE& other) : sessions(other.sessions) {
  copy_header(other);
}

DBTEAMWORKTYPE& DBTEAMWORKTYPE::operator=(const DBTEAMWORKTYPE& other) {
  if (this == &other) return *this;
  copy_header(other);
  sessions.clone(other.sessions);
  return *this;
}

void DBTEAMWORKTYPE::copy_header(const DBTEAMWORKTYPE& other) {
  ident = other.ident;
  std::memcpy(team_name, other.team_name, sizeof team_name);
  std::memcpy(shorts, other.shorts, sizeof shorts);
  std::memcpy(longs, other.longs, sizeof longs);
  admin = other.admin;
}

const DBSESSIONTYPE* DBTEAMWORKTYPE::find(short id) const {
  const int i = index(id);
  return i < 0 ? nullptr : &sessions[i];
}

int DBTEAMWORKTYPE::index(const char* name) const {
  for (unsigned i = 0; i < sessions.size(); ++i)
    if (named(sessions[i], name)) return static_cast<int>(i);
  return -1;
}

int DBTEAMWORKTYPE::index(short id) const {
  for (unsigned i = 0; i < sessions.size(); ++i)
    if (sessions[i].id == id) return static_cast<int>(i);
  return -1;
}

short DBTEAMWORKTYPE::idx(const char* name) const {
  const int i = index(name);
  return i < 0 ? short{-1} : sessions[i].id;
}

char* DBTEAMWORKTYPE::name(short id) {
  const int i = index(id);
  return i < 0 ? nullptr : sessions[i].name;
}

const char* DBTEAMWORKTYPE::name(short id) const {
  const DBSESSIONTYPE* s = find(id);
  return s ? s->name : nullptr;
}

char DBTEAMWORKTYPE::status(const char* name) const {
  const int i = index(name);
  return i < 0 ? char{-1} : static_cast<char>(sessions[i].status);
}

char DBTEAMWORKTYPE::status(short id) const {
  const DBSESSIONTYPE* s = find(id);
  return s ? static_cast<char>(s->status) : char{-1};
}

char DBTEAMWORKTYPE::type(const char* name) const {
  const int i = index(name);
  return i < 0 ? char{0} : static_cast<char>(sessions[i].type);
}

char DBTEAMWORKTYPE::type(short id) const {
  const DBSESSIONTYPE* s = find(id);
  return s ? static_cast<char>(s->type) : char{0};
}

void DBTEAMWORKTYPE::type(short id, char type) {
  const int i = index(id);
  if (i >= 0) sessions[i].type = static_cast<int8_t>(type);
}

int DBTEAMWORKTYPE::adminsession() const {
  return index(admin);
}

int DBTEAMWORKTYPE::actsession() const {
  for (unsigned i = 0; i < sessions.size(); ++i)
    if (sessions[i].status == DBSESSIONTYPE::kActive) return static_cast<int>(i);
  return -1;
}

short DBTEAMWORKTYPE::actsessionidx() const {
  const int i = actsession();
  return i < 0 ? short{-1} : sessions[i].id;
}

char DBTEAMWORKTYPE::type() const {
  const int i = actsession();
  return i < 0 ? char{0} : static_cast<char>(sessions[i].type);
}

bool DBTEAMWORKTYPE::is_visitor() const {
  return type() > 0;
}

short DBTEAMWORKTYPE::leader() const {
  for (unsigned i = 0; i < sessions.size(); ++i)
    if (sessions[i].type < 0) return sessions[i].id;
  return -1;
}

bool DBTEAMWORKTYPE::is_worked(short id) const {
  const DBSESSIONTYPE* s = find(id);
  return s != nullptr && s->status == DBSESSIONTYPE::kWorked;
}

bool DBTEAMWORKTYPE::is_offline(short id) const {
  const DBSESSIONTYPE* s = find(id);
  return s != nullptr && s->status == DBSESSIONTYPE::kOffline;
}

int DBTEAMWORKTYPE::is_right(long right) const {
  const uint32_t bits = right_bits(right);
  if (bits == 0) return -1;
  for (unsigned i = 0; i < sessions.size(); ++i)
    if ((static_cast<uint32_t>(sessions[i].rights) & bits) != 0) return static_cast<int>(i);
  return -1;
}

char* DBTEAMWORKTYPE::owner_right(long right) {
  const int i = is_right(right);
  return i < 0 ? nullptr : sessions[i].name;
}

// Bits rather than sums: a bit that its holder lacks, or that two sessions hold,
// never borrows into or out of another right.
void DBTEAMWORKTYPE::clear_right(long right) {
  const uint32_t bits = right_bits(right);
  for (unsigned i = 0; i < sessions.size(); ++i)
    sessions[i].rights = static_cast<int32_t>(static_cast<uint32_t>(sessions[i].rights) & ~bits);
}

void DBTEAMWORKTYPE::set_right(long right, short position) {
  clear_right(right);
  if (position < 0 || static_cast<unsigned>(position) >= sessions.size()) return;
  DBSESSIONTYPE& to = sessions[position];
  to.rights = static_cast<int32_t>(static_cast<uint32_t>(to.rights) | right_bits(right));
}

SERVICEMESSAGE::SERVICEMESSAGE() : subject("Teamwork Service Message") {}

void SERVICEMESSAGE::reset() {
  kind = -1;
  value = 0;
  for (uint16_t& w : words) w = 0xFFFF;
  std::memset(data, 0, sizeof data);
}
