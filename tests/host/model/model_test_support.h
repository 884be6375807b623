// Shared pieces of the model database tests: a project in memory made the active
// model, and sample records.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "foundation/records.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"

namespace dlist::testing {

// A new project in memory, active for the test.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.open(":memory:")) << db_.last_error();
    previous_ = set_active_model(&db_);
  }
  void TearDown() override {
    fail_model_calls_after(0);
    fail_model_statements_after(0);
    set_active_model(previous_);
  }

  // Counts the rows of a table.
  int64_t rows(const char* table) {
    Statement s(db_.connection(), (std::string("SELECT count(*) FROM ") + table).c_str());
    return s.row() ? s.integer(0) : -1;
  }

  ModelDatabase db_;
  ModelDatabase* previous_ = nullptr;
};

// A node record named name.
template <class Node>
Node node_named(const char* name, const char* description = "") {
  Node n;
  n.set_name(name);
  if (description[0]) n.description.put(description);
  return n;
}

// A plain record whose image bytes follow a pattern from seed.
template <class T>
T patterned(int seed) {
  unsigned char image[sizeof(T)];
  for (std::size_t i = 0; i < sizeof(T); ++i) image[i] = static_cast<unsigned char>(seed + 7 * i);
  T record;
  from_plain_image(record, image);
  return record;
}

inline DBSURFHATCH surface(const char* name, double value) {
  DBSURFHATCH h;
  set_field(h.name, sizeof h.name, name);
  h.hatch1[0] = value;
  h.hatch2[4] = -value;
  h.type = 3;
  return h;
}

}  // namespace dlist::testing
