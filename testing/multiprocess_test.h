// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_MULTIPROCESS_TEST_H_
#define TESTING_MULTIPROCESS_TEST_H_

namespace velta::testing {

// The switch that makes a test binary run one registered child role instead
// of the tests: "--velta-test-child=<name>".
inline constexpr char kTestChildSwitch[] = "velta-test-child";

using ChildMain = int (*)();

// Registers a child role at static-initialisation time. Use the macro below.
class ChildMainRegistrar {
 public:
  ChildMainRegistrar(const char* name, ChildMain main);
};

// Returns the child role registered under `name`, or null.
ChildMain FindChildMain(const char* name);

}  // namespace velta::testing

// Defines a child role of the test binary:
//   VELTA_TEST_CHILD_MAIN(PrintArguments) { ...; return 0; }
// The test starts it by relaunching its own executable with
// --velta-test-child=PrintArguments; the function's result is the exit code.
#define VELTA_TEST_CHILD_MAIN(name)                                   \
  static int name##ChildMain();                                       \
  static const ::velta::testing::ChildMainRegistrar name##Registrar(  \
      #name, &name##ChildMain);                                       \
  static int name##ChildMain()

#endif  // TESTING_MULTIPROCESS_TEST_H_
