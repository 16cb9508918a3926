// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_HANDLE_H_
#define BASE_WIN_SCOPED_HANDLE_H_

#include <stdint.h>

#include <utility>

namespace base::win {

namespace internal {
// The thread's last error, read before a scoper closes its handle and set
// back afterwards; out of line, so that this header needs no <windows.h>.
uint32_t GetThreadLastError();
void SetThreadLastError(uint32_t error);
}  // namespace internal

// Closes kernel object handles (events, mutexes, processes, threads, files,
// pipes, mailslots) with CloseHandle. Null and INVALID_HANDLE_VALUE both mean
// "no handle": the system APIs disagree on which one signals failure, so each
// call site still tests what its own API returns, but the scoper never closes
// either.
struct HandleTraits {
  using Handle = void*;
  static bool CloseHandle(Handle handle);
  static bool IsHandleValid(Handle handle) {
    return handle != nullptr && handle != reinterpret_cast<Handle>(-1);
  }
  static Handle NullHandle() { return nullptr; }
};

// Owns one handle and closes it when destroyed or replaced. `Traits` gives
// the handle type, its close function, its empty value and which values are
// handles; the close function may change the thread's last error, since
// closing here keeps the last error as it was, so that
//   ScopedHandle h(::CreateFileW(...));
//   if (!h.IsValid()) { DWORD error = ::GetLastError(); ... }
// still reads the error of the failed call after an earlier handle was
// replaced. Move-only; not thread-safe (one owner, one sequence).
template <class Traits>
class GenericScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  GenericScopedHandle() : handle_(Traits::NullHandle()) {}
  explicit GenericScopedHandle(Handle handle) : handle_(Traits::NullHandle()) { Set(handle); }
  GenericScopedHandle(GenericScopedHandle&& other) noexcept : handle_(other.Take()) {}
  GenericScopedHandle& operator=(GenericScopedHandle&& other) noexcept {
    if (this != &other)
      Set(other.Take());
    return *this;
  }
  GenericScopedHandle(const GenericScopedHandle&) = delete;
  GenericScopedHandle& operator=(const GenericScopedHandle&) = delete;
  ~GenericScopedHandle() { Close(); }

  bool IsValid() const { return Traits::IsHandleValid(handle_); }
  bool is_valid() const { return IsValid(); }

  // Closes the current handle (if any) and owns `handle`. An invalid value
  // (null or INVALID_HANDLE_VALUE) leaves the scoper empty.
  void Set(Handle handle) {
    if (handle_ == handle)
      return;
    Close();
    if (Traits::IsHandleValid(handle))
      handle_ = handle;
  }

  Handle Get() const { return handle_; }
  Handle get() const { return handle_; }

  // For a function that hands out its handle through an out parameter:
  // closes the current handle and returns where the new one goes. A value
  // written there that the traits do not count as a handle is never closed.
  Handle* Receive() {
    Close();
    return &handle_;
  }

  // Gives up ownership without closing; the caller closes the result.
  [[nodiscard]] Handle Take() { return std::exchange(handle_, Traits::NullHandle()); }
  [[nodiscard]] Handle release() { return Take(); }

  // Closes the handle; safe to call twice.
  void Close() {
    if (!Traits::IsHandleValid(handle_))
      return;
    // The caller may be about to read the error of the call that failed
    // after this handle was replaced: keep it.
    const uint32_t last_error = internal::GetThreadLastError();
    Traits::CloseHandle(std::exchange(handle_, Traits::NullHandle()));
    internal::SetThreadLastError(last_error);
  }

 private:
  Handle handle_;
};

using ScopedHandle = GenericScopedHandle<HandleTraits>;

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_HANDLE_H_
