#pragma once
// The PassBits of a source named on the command line.

#include <memory>
#include <string>

#include "experiment/pass_bits.h"
#include "sources/source_spec.h"
#include "keystream/bit_source.h"
#include "clocks/seconds_clock.h"

namespace novabit {

struct OpenedSource {
  std::unique_ptr<PassBits> bits;
  std::string problem;  // the system's reason when the source could not be opened
};

// `keyed` is the run's generator, the source of "keyed"; a physical source
// is read ahead by its own thread, its silences measured on `silenceClock`.
OpenedSource open_source(const SourceSpec& source, BitSource& keyed, SecondsClock& silenceClock);

}  // namespace novabit
