// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/multiprocess_test.h"

#include <map>
#include <string>
#include <vector>

namespace velta::test {
namespace {

std::map<std::string, ChildMain>& Registry() {
  static auto* registry = new std::map<std::string, ChildMain>();
  return *registry;
}

std::vector<ChildSetupHook>& SetupHooks() {
  static auto* hooks = new std::vector<ChildSetupHook>();
  return *hooks;
}

std::vector<ProcessRole>& ProcessRoles() {
  static auto* roles = new std::vector<ProcessRole>();
  return *roles;
}

}  // namespace

ChildMainRegistrar::ChildMainRegistrar(const char* name, ChildMain main) {
  Registry()[name] = main;
}

ChildMain FindChildMain(const char* name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

ChildSetupHookRegistrar::ChildSetupHookRegistrar(ChildSetupHook hook) {
  SetupHooks().push_back(hook);
}

bool RunChildSetupHooks(const base::CommandLine& command_line, std::string* error) {
  for (ChildSetupHook hook : SetupHooks()) {
    if (!hook(command_line, error))
      return false;
  }
  return true;
}

ProcessRoleRegistrar::ProcessRoleRegistrar(ProcessRole role) {
  ProcessRoles().push_back(role);
}

bool RunProcessRoleIfAsked(const base::CommandLine& command_line, int* exit_code) {
  for (ProcessRole role : ProcessRoles()) {
    if (role(command_line, exit_code))
      return true;
  }
  return false;
}

}  // namespace velta::test
