// SETASIMTYPE, a settings record of a drawing module: output kind, transformation
// kind, scale and factor. Packed, 26 bytes, shared with the host by its memory image.
#pragma once

#include <cstdint>

#include "foundation/types.h"

using SAT_OP_TYPE = int32_t;     // output kind
using SAT_TRAFO_TYPE = int32_t;  // transformation kind

#pragma pack(push, 1)
struct SETASIMTYPE {
  MODULTYPE modul;       // the drawing module
  SAT_OP_TYPE output;    // output kind
  SAT_TRAFO_TYPE trafo;  // transformation kind
  double skala;          // scale
  double faktor;         // factor

  SETASIMTYPE() : modul(0), output(1), trafo(0), skala(0.0), faktor(0.0) {}
  SETASIMTYPE(MODULTYPE m, SAT_OP_TYPE o, SAT_TRAFO_TYPE t, double s, double f)
      : modul(m), output(o), trafo(t), skala(s), faktor(f) {}

  void set_motsf(MODULTYPE m, SAT_OP_TYPE o, SAT_TRAFO_TYPE t, double s, double f) {
    modul = m;
    output = o;
    trafo = t;
    skala = s;
    faktor = f;
  }

  MODULTYPE get_modul() const { return modul; }
  SAT_OP_TYPE get_output() const { return output; }
  SAT_TRAFO_TYPE get_trafo() const { return trafo; }
  double get_skala() const { return skala; }
  double get_faktor() const { return faktor; }

  void set_modul(MODULTYPE m) { modul = m; }
  void set_output(SAT_OP_TYPE o) { output = o; }
  void set_trafo(SAT_TRAFO_TYPE t) { trafo = t; }
  void set_skala(double s) { skala = s; }
  void set_faktor(double f) { faktor = f; }
};
#pragma pack(pop)

static_assert(sizeof(SETASIMTYPE) == 26, "SETASIMTYPE is a 26-byte packed record");
