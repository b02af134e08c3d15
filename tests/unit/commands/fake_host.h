// A minimal host for the command tests: an object table behind GetObjectA and a return-string
// allocator that keeps every block it hands out, so tests can see each request.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "host/binding/plugin_state.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"

namespace korva::testing {

struct ReturnStringRequest {
  uint32_t size;
  char* block;
};

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // An object with `limbs` frames chained through first-child links, each with its own mesh; the
  // mesh list and frame list hold them in order and the two leading counts their lengths.
  sObject* AddObject(int32_t number, int32_t limbs);

  // Takes an object built by the test; it is released at the end of the test.
  void AdoptObject(int32_t number, sObject* object);

  static const std::vector<ReturnStringRequest>& returnStrings();

 private:
  std::vector<sObject*> owned_;
};

}  // namespace korva::testing
