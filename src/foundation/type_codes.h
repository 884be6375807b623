// The constant codes of the host that the record types answer: `streamedtype()`
// (a STREAMEDTYPES value naming the type in host streams), `rttype()` (the record
// type of an element) and `let_type()` (the element's bit in the element type mask).
// Each record declares the codes it answers as static constexpr members from the
// constants here; a code that this system never asks for is not declared.
#pragma once

#include <cstdint>

enum STREAMEDTYPES : short {
  ST_DBTEXTTYPE = 15,
  ST_DBCEILTYPE = 17,
  ST_DBRASTTYPE = 18,
  ST_DBHOTSTYPE = 19,
  ST_DBWINDTYPE = 20,
  ST_DBDOORTYPE = 21,
  ST_DBCIRCTYPE = 22,
  ST_DBROOFTYPE = 23,
  ST_DBPARCTYPE = 24,
  ST_DBSTAITYPE = 25,
  ST_DBWALLPALETTE = 29,
  ST_DBLINEPALETTE = 30,
  ST_DBTEXTPALETTE = 31,
  ST_DBCEILPALETTE = 33,
  ST_DBRASTPALETTE = 34,
  ST_DBHOTSPALETTE = 35,
  ST_DBWINDPALETTE = 36,
  ST_DBDOORPALETTE = 37,
  ST_DBCIRCPALETTE = 38,
  ST_DBROOFPALETTE = 39,
  ST_DBPARCPALETTE = 40,
  ST_DBSTAIPALETTE = 41,
  ST_DBSURFREFTYPE = 49,
  ST_DBATTREFCHAIN = 51,
  ST_DBROOFSETTINGS = 62,
  ST_DBEDGEPALETTE = 72,
};

// Record types of the elements (`rttype()`).
enum RTTYPES : short {
  RT_WALL = 1,
  RT_LINE = 2,
  RT_TEXT = 3,
  RT_SYMB = 4,
  RT_CEIL = 5,
  RT_RAST = 6,
  RT_HOTS = 7,
  RT_WIND = 8,
  RT_DOOR = 9,
  RT_CIRC = 10,
  RT_ROOF = 11,
  RT_PARC = 12,
  RT_STAI = 13,
};

// Bits of the element type mask (`let_type()`).
enum LETTYPES : int32_t {
  LET_STAI = 16,
  LET_CEIL = 32,
  LET_ROOF = 64,
  LET_LINE = 128,
  LET_CIRC = 256,
  LET_RAST = 512,
  LET_PARC = 1024,
  LET_TEXT = 0x80000,
  LET_HOTS = 0x100000,
};
