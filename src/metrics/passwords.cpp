#include "metrics/passwords.h"

#include <crypt.h>
#include <sodium.h>

#include <cstring>
#include <utility>

#include "keystream/random_key.h"

namespace novabit {

namespace {

bool same_text(const std::string& one, const char* other) {
  return other != nullptr && std::strlen(other) == one.size() && sodium_memcmp(one.data(), other, one.size()) == 0;
}

}  // namespace

Passwords::Passwords(std::map<std::string, std::string> hashes)
    : hashes_(std::move(hashes)), work_(std::make_unique<crypt_data>()) {}
Passwords::~Passwords() = default;
Passwords::Passwords(Passwords&&) noexcept = default;
Passwords& Passwords::operator=(Passwords&&) noexcept = default;

bool Passwords::accepts(const std::string& user, const std::string& password) {
  if (hashes_.empty()) return false;
  const std::string digest = sha256_hex(password);
  const auto remembered = accepted_.find(user);
  if (remembered != accepted_.end() && same_text(remembered->second, digest.c_str())) return true;
  const auto hash = hashes_.find(user);
  // An unknown name is checked against a known hash, whose answer is then ignored.
  const std::string& checked = hash != hashes_.end() ? hash->second : hashes_.begin()->second;
  const bool matches = same_text(checked, crypt_r(password.c_str(), checked.c_str(), work_.get()));
  if (!matches || hash == hashes_.end()) return false;
  accepted_[user] = digest;
  return true;
}

}  // namespace novabit
