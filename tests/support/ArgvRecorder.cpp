// Started by the launcher's tests: writes its working directory and arguments, one a line,
// to the file named by TW_ARGV_LOG.
#include <cstdlib>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  const char* log = std::getenv("TW_ARGV_LOG");
  if (!log) return 1;
  std::ofstream out(std::string(log) + ".part");
  out << std::filesystem::current_path().string() << '\n';
  for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
  out.close();
  // Whole or not at all, for the test that waits for it.
  std::filesystem::rename(std::string(log) + ".part", log);
  return 0;
}
