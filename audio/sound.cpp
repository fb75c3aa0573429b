// Placeholder sound module: the device hand-over.
#include "audio/sound.h"

gxtkAudio* rv_audio_device;

namespace {
rv_module audio_module(
    30, [] { rv_audio_device = nullptr; }, [] { gc_mark_q(rv_audio_device); });
}  // namespace

int rv_audio_SetAudioDevice(gxtkAudio* device) {
  gc_assign(rv_audio_device, device);
  return 0;
}
