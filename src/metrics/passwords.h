#pragma once
// The users a station answers, each with the bcrypt hash of their password
// (HTTP basic authentication). A password that passed once is remembered by
// its SHA-256 digest, so that a station scraped every few seconds pays for
// bcrypt once per user; a name nobody has still costs one bcrypt check, so
// that the time of a refusal tells no names. Not thread-safe: the server's
// thread alone asks.

#include <map>
#include <memory>
#include <string>

struct crypt_data;

namespace novabit {

class Passwords {
 public:
  // `hashes`: user name -> bcrypt hash ($2y$, $2b$ or $2a$).
  explicit Passwords(std::map<std::string, std::string> hashes = {});
  ~Passwords();
  Passwords(Passwords&&) noexcept;
  Passwords& operator=(Passwords&&) noexcept;

  // Whether any password is asked at all.
  bool required() const { return !hashes_.empty(); }
  bool accepts(const std::string& user, const std::string& password);

 private:
  std::map<std::string, std::string> hashes_;
  std::map<std::string, std::string> accepted_;  // user -> digest of the password that passed
  std::unique_ptr<crypt_data> work_;             // bcrypt's scratch space, 32 KiB
};

}  // namespace novabit
