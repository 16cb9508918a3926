// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_ROLE_HOOKS_H_
#define CRASH_REPORTER_CRASH_ROLE_HOOKS_H_

namespace velta {

// What the crash roles tell about their progress. The shipped program's
// instance does nothing; a test executable puts its own in place (see
// base::ProcessWide) before any role runs, to crash a role on purpose or to
// watch it. Process-wide, made on first use and never destroyed.
class CrashRoleHooks {
 public:
  CrashRoleHooks() = default;
  CrashRoleHooks(const CrashRoleHooks&) = delete;
  CrashRoleHooks& operator=(const CrashRoleHooks&) = delete;
  virtual ~CrashRoleHooks() = default;

  static CrashRoleHooks* GetInstance();

  // In every crash-role process before its role runs, before any crash
  // handling of its own.
  virtual void OnRoleStarting() {}
  // Each crash role, with its name ("crash_reporter", "crashpad_handler",
  // "crashpad_handler_monitor" for the monitor of a crash handler,
  // "fallback_handler"), once its own crash handling is in place.
  virtual void OnRoleReady(const char* /*role*/) {}
};

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_ROLE_HOOKS_H_
