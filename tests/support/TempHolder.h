// Another process that has made a clock temp file in a directory under a program's name and
// keeps it until it is killed or let go; the helper is the program of TempHolder.cpp.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace rt::testing {

class TempHolder {
 public:
  TempHolder(const std::string& dir, const char* program, const char* helper) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);  // the copies lose O_CLOEXEC; the originals close at exec
      ::dup2(out[1], 1);
      if (::chdir(dir.c_str()) == 0) ::execl(helper, helper, program, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') name_ += c;
    ::close(out[0]);
  }
  ~TempHolder() { stop(SIGKILL); }
  TempHolder(const TempHolder&) = delete;
  TempHolder& operator=(const TempHolder&) = delete;
  const std::string& name() const { return name_; }
  // SIGKILL, or 0 to let it end and remove its file.
  void stop(int signal) {
    if (pid_ <= 0) return;
    if (signal) ::kill(pid_, signal);
    ::close(input_);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  int input_ = -1;
  std::string name_;
};

}  // namespace rt::testing
