// Uses the installed library by the names a host would: arrays, strings, records,
// streams and the checksum. Exits non-zero when anything is off.
#include <dlist/dlist.h>

#include <cstdio>
#include <cstring>

int main() {
  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    if (!ok) {
      std::fprintf(stderr, "consumer: %s\n", what);
      ++failures;
    }
  };

  CRAS<long, 4> stack;
  for (long v : {10L, 20L, 30L, 40L}) stack.push(v);
  stack.rc_up(2);
  check(stack[1] == 40 && stack[3] == 30, "CRAS::rc_up");

  ORB::String name("Wall", 4);
  name += ORB::String("~1", 2);
  check(name == "Wall~1" && name.length() == 6, "ORB::String");

  DBWALLTYPE wall;
  wall.set_szerk_flags(1, 0, 0, 0, 0, 1);
  check(sizeof(DBWALLPALETTE) == 117, "wall palette image");

  DBSURFREFTYPE surfaces;
  DBSURFHATCH hatch;
  check(surfaces.add(hatch) == 0 && surfaces.add(hatch) == 0, "DBSURFREFTYPE::add");

  StreamOutputMemory out;
  short s = -2;
  double d = 1.0;
  out.io(s);
  out.io(d);
  const std::vector<unsigned char>& bytes = out.bytes();
  check(bytes.size() == 10 && bytes[0] == 0xFE && bytes[9] == 0x3F, "stream encoding");
  check(CheckSum::f("abc", 3) == 6513249u, "CheckSum::f");

  DBPALETTENODETYPE node;
  std::memcpy(node.name, "Walls", 6);
  StreamOutputMemory node_out;
  Streamer<DBPALETTENODETYPE>(&node).io(node_out);
  check(node_out.bytes().size() == 2 + 2 + 32 + 4 + 2, "Streamer<DBPALETTENODETYPE>");

  if (failures == 0) std::printf("consumer: ok\n");
  return failures == 0 ? 0 : 1;
}
