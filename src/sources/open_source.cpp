#include "sources/open_source.h"

#include "sources/buffered_source.h"
#include "sources/byte_reader.h"

namespace novabit {

Result<std::unique_ptr<PassBits>> open_source(const SourceSpec& source, BitSource& keyed, SecondsClock& silenceClock) {
  std::unique_ptr<PassBits> bits;
  switch (source.kind) {
    case SourceSpec::Kind::keyed:
      bits = std::make_unique<KeyedPassBits>(keyed);
      break;
    case SourceSpec::Kind::kernel:
      bits = std::make_unique<BufferedSource>(make_kernel_reader(), silenceClock);
      break;
    case SourceSpec::Kind::device: {
      Result<std::unique_ptr<ByteReader>> opened = open_device_reader(source.path);
      if (!opened) return opened.failure();
      bits = std::make_unique<BufferedSource>(std::move(*opened), silenceClock);
      break;
    }
  }
  return bits;
}

}  // namespace novabit
