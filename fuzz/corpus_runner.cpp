// Runs a fuzz target over its seed corpus, once per file, without libFuzzer:
// every build (plain and sanitized, with any compiler) checks the target's
// invariants on the committed inputs. Arguments: corpus directories or files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int run_file(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  // Exactly the file's bytes, with no terminator after them, as libFuzzer
  // passes them: a parser reading past the end then trips AddressSanitizer.
  const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (!stream.eof() && stream.fail()) {
    std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
    return 1;
  }
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int argument = 1; argument < argc; ++argument) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argv[argument])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[argument])) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[argument]);
    }
    for (const auto& file : files) {
      if (run_file(file) != 0) return 1;
      ++inputs;
    }
  }
  std::printf("%d inputs checked\n", inputs);
  return inputs > 0 ? 0 : 1;
}
