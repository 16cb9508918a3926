// Copyright 2026 Velta Software. All rights reserved.

#ifndef E2E_UI_DRIVER_ANSWER_H_
#define E2E_UI_DRIVER_ANSWER_H_

#include <string>

namespace velta {

// What one driver command answers: its output and, when it fails, why. A
// command run as a process of its own writes both through at once (standard
// output is flushed after every line, so a script sees "pid N" while the
// program it started still runs); a command of the serving loop keeps them
// for the reply that carries its result.
class Answer {
 public:
  enum class Mode { kWriteThrough, kKept };

  explicit Answer(Mode mode);
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;
  ~Answer();

  // Appends printf-formatted text to the output.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Appends "ui_driver: `what` (error N)" with the thread's last error to the
  // error text; returns the result code of a command that could not do what
  // it was asked.
  int Fail(const char* what);

  // Appends a line to the error text as it is.
  void Complain(const std::string& line);

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  const Mode mode_;
  std::string out_;
  std::string err_;
};

}  // namespace velta

#endif  // E2E_UI_DRIVER_ANSWER_H_
