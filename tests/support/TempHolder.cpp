// Makes a clock temp file in the current directory under the program name of its argument,
// writes the file's name and a newline to standard output and keeps the file until its
// standard input closes; exit status 1 when the file could not be made.
#include <unistd.h>

#include <string>

#include "runtime/text/Paths.h"

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  rt::setTempFileOwner(argv[1]);
  auto temp = rt::ClockTempFile::create();
  if (!temp) return 1;
  const std::string line = temp->name() + "\n";
  if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 1;
  char c;
  while (::read(0, &c, 1) > 0) {
  }
  return 0;
}
