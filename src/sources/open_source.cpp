#include "sources/open_source.h"

#include "sources/buffered_source.h"
#include "sources/byte_reader.h"

namespace novabit {

OpenedSource open_source(const SourceSpec& source, BitSource& keyed, SecondsClock& silenceClock) {
  switch (source.kind) {
    case SourceSpec::Kind::keyed:
      return {std::make_unique<KeyedPassBits>(keyed), {}};
    case SourceSpec::Kind::kernel:
      return {std::make_unique<BufferedSource>(make_kernel_reader(), silenceClock), {}};
    case SourceSpec::Kind::device:
      break;
  }
  OpenedReader opened = open_device_reader(source.path);
  if (!opened.reader) return {nullptr, std::move(opened.problem)};
  return {std::make_unique<BufferedSource>(std::move(opened.reader), silenceClock), {}};
}

}  // namespace novabit
