#include "report/input_digest.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "base/file_handles.h"

namespace novabit::report {

namespace {

constexpr std::size_t kDigestBlockBytes = 1 << 16;

// Nothing for a file that is not regular: reading it again would wait on a
// pipe, or never end on a device.
Result<std::optional<std::string>> file_sha256(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (!file.valid() || fstat(file.get(), &status) != 0) return system_failure(path);
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  std::vector<unsigned char> buffer(kDigestBlockBytes);
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return system_failure(path);
    if (got == 0) break;
    crypto_hash_sha256_update(&state, buffer.data(), static_cast<unsigned long long>(got));
  }
  std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
  crypto_hash_sha256_final(&state, digest.data());
  std::array<char, 2 * crypto_hash_sha256_BYTES + 1> hex{};
  sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
  return std::optional<std::string>(hex.data());
}

void add_planned(const PlannedFile& file, const std::string& role, std::vector<NamedInput>& inputs) {
  inputs.push_back({file.file, role, file.path});
  for (const Copy& copy : file.copies) inputs.push_back({copy.file, role, copy.path});
}

}  // namespace

std::vector<NamedInput> planned_inputs(const ReportPlan& plan, const std::vector<std::string>& seals) {
  std::vector<NamedInput> inputs;
  for (const PlannedRun& run : plan.runs) add_planned(run.log, "log", inputs);
  for (const PlannedFile& trials : plan.trials) add_planned(trials, "raw_record", inputs);
  for (const std::string& seal : seals) inputs.push_back({seal, "seal", seal});
  std::vector<NamedInput> once;
  for (NamedInput& input : inputs) {
    const auto same = [&](const NamedInput& other) { return other.file == input.file && other.role == input.role; };
    if (std::none_of(once.begin(), once.end(), same)) once.push_back(std::move(input));
  }
  return once;
}

std::future<Result<std::vector<InputDigest>>> digest_meanwhile(std::vector<NamedInput> inputs) {
  return std::async(std::launch::async, [inputs = std::move(inputs)]() -> Result<std::vector<InputDigest>> {
    std::vector<InputDigest> digests;
    for (const NamedInput& input : inputs) {
      Result<std::optional<std::string>> sha256 = file_sha256(input.path);
      if (!sha256) return Failure{input.file, sha256.failure().error};
      digests.push_back({input.file, input.role, std::move(*sha256)});
    }
    return digests;
  });
}

}  // namespace novabit::report
