#include "screen/sdl/sdl_beeper.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace novabit {
namespace {

constexpr int kSampleRate = 44100;
constexpr std::int16_t kAmplitude = 6000;
// More queued sound than this means beeps come faster than they play: drop the new one.
constexpr Uint32 kMostQueuedBytes = kSampleRate * sizeof(std::int16_t) * 2;

}  // namespace

SdlBeeper::~SdlBeeper() {
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
  }
}

bool SdlBeeper::open_device() {
  if (tried_) {
    return device_ != 0;
  }
  tried_ = true;
  Result<std::unique_ptr<SdlSubsystem>> audio = SdlSubsystem::start(SDL_INIT_AUDIO);
  if (!audio) {
    return false;
  }
  audio_ = std::move(*audio);
  SDL_AudioSpec wanted{};
  wanted.freq = kSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = 1024;
  // No changes allowed: SDL converts to whatever the device really plays.
  SDL_AudioSpec obtained{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device_ == 0) {
    audio_.reset();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlBeeper::beep(int frequencyHz, int durationMs) {
  if (frequencyHz <= 0 || durationMs <= 0) {
    return;
  }
  const std::lock_guard lock(mutex_);
  if (!open_device() || SDL_GetQueuedAudioSize(device_) > kMostQueuedBytes) {
    return;
  }
  const int frequency = std::min(frequencyHz, kSampleRate / 2);
  // At most a second: the bell asks for a quarter of one.
  const int samples = std::min(durationMs, 1000) * (kSampleRate / 1000);
  std::vector<std::int16_t> tone(static_cast<std::size_t>(samples));
  for (int i = 0; i < samples; ++i) {
    // The sign of the square wave flips every half period.
    const bool high = (2LL * i * frequency / kSampleRate) % 2 == 0;
    tone[static_cast<std::size_t>(i)] = high ? kAmplitude : static_cast<std::int16_t>(-kAmplitude);
  }
  SDL_QueueAudio(device_, tone.data(), static_cast<Uint32>(tone.size() * sizeof(std::int16_t)));
}

}  // namespace novabit
