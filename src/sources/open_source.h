#pragma once
// The PassBits of a source named on the command line.

#include <memory>

#include "base/failure.h"
#include "clocks/seconds_clock.h"
#include "experiment/pass_bits.h"
#include "keystream/keyed_generator.h"
#include "sources/source_spec.h"

namespace novabit {

// `keyed` is the run's generator, the source of "keyed"; a physical source
// is read ahead by its own thread, its silences measured on `silenceClock`.
// Fails with the system's reason when the source cannot be opened.
Result<std::unique_ptr<PassBits>> open_source(const SourceSpec& source, BitSource& keyed, SecondsClock& silenceClock);

}  // namespace novabit
