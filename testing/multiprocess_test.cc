// Copyright 2026 Velta Software. All rights reserved.

#include "testing/multiprocess_test.h"

#include <map>
#include <string>

namespace velta::testing {
namespace {

std::map<std::string, ChildMain>& Registry() {
  static auto* registry = new std::map<std::string, ChildMain>();
  return *registry;
}

}  // namespace

ChildMainRegistrar::ChildMainRegistrar(const char* name, ChildMain main) {
  Registry()[name] = main;
}

ChildMain FindChildMain(const char* name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

}  // namespace velta::testing
