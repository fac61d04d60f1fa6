#include <gtest/gtest.h>

#include "machine_test.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Code that runs outside a MachineTest still gets a machine of its own.
  kestrel::test::FreshMachine();
  return RUN_ALL_TESTS();
}
